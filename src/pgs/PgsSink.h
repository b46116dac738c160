// The run's PGS output: every subtitle drawn anti-aliased at the stream's
// resolution and written as its display sets into "NAME.pgs.sup". It draws
// from the lines the DVD unit is drawn from, not from the unit.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "pgs/PgsPicture.h"
#include "pgs/PgsStream.h"
#include "render/StyledLines.h"

namespace glyphon {

class TextEngine;

struct PgsOptions {
    PgsVideo video;
    PgsColors colors;
};

// What a user asks of the PGS output: the stream's size and frame rate, and
// colours that replace those of the text and outline roles (none: the
// roles' colours, opaque) and of the box behind the lines (transparent: no
// box).

class PgsSink {
public:
    // Draws with a twin of `engine` (TextEngine::Twin) when it has one, so
    // that the stream's sizes and the engine's own keep their glyph caches.
    PgsSink(TextEngine& engine, const PgsLook& look, const PgsOptions& options);
    // Creates (or empties) the file. Throws FileError.
    void Create(const std::string& path);
    void Subtitle(int64_t start, int64_t end, const std::vector<RunLine>& bottom,
                  const std::vector<RunLine>& top, const std::vector<PlacedLines>& placed = {});
    void Close();
    void Seal();
    void Discard();

private:
    std::unique_ptr<TextEngine> twin_;
    TextEngine& engine_;
    PgsLook look_;
    PgsOptions options_;
    std::vector<PgsColor> palette_;
    std::vector<PgsColor> tinted_;  // the palette of a picture with coloured runs
    PgsWriter writer_;
    PgsObject object_, topObject_;
};

}  // namespace glyphon
