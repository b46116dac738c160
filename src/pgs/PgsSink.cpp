#include "pgs/PgsSink.h"

namespace glyphon {

PgsSink::PgsSink(TextEngine& engine, const PgsLook& look, const PgsOptions& options)
    : twin_(engine.Twin()), engine_(twin_ ? *twin_ : engine), look_(look), options_(options) {
    look_.frameWidth = options.video.width;
    look_.frameHeight = options.video.height;
    palette_ = PgsPalette(options.colors, options.video.height);
}

void PgsSink::Create(const std::string& path) { writer_.Create(path, options_.video); }

void PgsSink::Subtitle(int64_t start, int64_t end, const std::vector<RunLine>& lines, bool top) {
    DrawPgsSubtitle(engine_, lines, top, look_, object_);
    writer_.Show(start, end, object_, palette_);
}

void PgsSink::Close() { writer_.Close(); }

void PgsSink::Seal() { writer_.Seal(); }

void PgsSink::Discard() { writer_.Discard(); }

}  // namespace glyphon
