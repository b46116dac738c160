// Test helper: a PGS stream read back by FFmpeg: libavformat's demuxer (the
// "sup" file or Matroska) and libavcodec's pgssub decoder, which hands out
// one subtitle per display set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glyphon::test {

struct DecodedPgsRect {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;   // rows of width palette indices
    std::vector<uint32_t> palette;  // 0xAARRGGBB per index, as the decoder converted it
};

struct DecodedPgsSubtitle {
    int64_t pts = 0;                    // presentation time in 1/90,000 s
    std::vector<DecodedPgsRect> rects;  // none: the screen is cleared
};

struct DecodedPgs {
    std::string format;  // the demuxer's name
    std::string codec;   // the stream's codec name
    std::vector<DecodedPgsSubtitle> subtitles;
};

// Throws std::runtime_error when libavformat is missing or fails.
DecodedPgs DecodePgs(const std::string& path);

}  // namespace glyphon::test
