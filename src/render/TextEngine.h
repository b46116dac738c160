// The platform text layer behind an interface: measuring and drawing one
// line of 8-bit text in a font. The FreeType + fontconfig engine is the real
// one; tests may substitute a fake.
#pragma once

namespace glyphon {

class TextEngine {
public:
    virtual ~TextEngine() = default;
};

}  // namespace glyphon
