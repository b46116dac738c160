// A text engine with arithmetic metrics, so the model's flows can be tested
// without fonts: every byte is `advance` pixels wide (an empty text measures
// as one space), every line `lineHeight` high, and a drawn line is a solid
// block of its measured size.
#pragma once

#include "render/TextEngine.h"

namespace glyphon::test {

class FakeTextEngine : public TextEngine {
public:
    int advance = 1;
    int lineHeight = 27;
    int measureCalls = 0;

    TextExtent MeasureLine(std::string_view text, const FontSpec&) override {
        ++measureCalls;
        return {int(text.empty() ? 1 : text.size()) * advance, lineHeight};
    }
    void DrawLineMask(std::string_view text, const FontSpec&, LineMask& mask) override {
        const int w = int(text.size()) * advance;
        mask.Reset(0, 0, w, text.empty() ? 0 : lineHeight);
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < mask.width; ++x) mask.Set(x, y);
    }
};

}  // namespace glyphon::test
