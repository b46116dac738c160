// The run's PGS output: every subtitle drawn anti-aliased at the stream's
// resolution and written as its display sets into "NAME.pgs.sup". It draws
// from the subtitle's lines, not from the DVD unit.
#pragma once

#include <optional>
#include <string>

#include "pgs/PgsPicture.h"
#include "pgs/PgsStream.h"
#include "sup/UnitSink.h"

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
struct PgsRequest {
    PgsVideo video;
    std::optional<Rgba> text, outline;
    Rgba background{0, 0, 0, 0};
};

class PgsSink : public UnitSink {
public:
    PgsSink(TextEngine& engine, const PgsLook& look, const PgsOptions& options);
    // Creates (or empties) the file. Throws FileError.
    void Create(const std::string& path);
    void Subtitle(int64_t startMs, int64_t endMs, const std::string& line1, const std::string& line2) override;
    void Append(int64_t, const std::vector<uint8_t>&) override {}
    void Close() override;

private:
    TextEngine& engine_;
    PgsLook look_;
    PgsOptions options_;
    std::vector<PgsColor> palette_;
    PgsWriter writer_;
    PgsObject object_;
};

}  // namespace glyphon
