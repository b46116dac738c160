// Test helper: FFmpeg's DVD subtitle decoder ("dvdsub" in libavcodec), an
// independent reader of the sub-picture units Glyphon writes. Usable by any
// test that wants to see what a player would show.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace glyphon::test {

// What the decoder made of one unit.
struct DecodedSubPicture {
    // The picture as the decoder returns it: it crops away fully transparent
    // rows and columns, so this is the smallest rectangle holding every
    // visible pixel, in frame coordinates.
    int x = 0, y = 0, w = 0, h = 0;
    // codes[row][column]: the 2-bit pixel code (0..3) of each pixel of the rectangle.
    std::vector<std::vector<uint8_t>> codes;
    // Per code 0..3: the colour the decoder shows it in (0xAARRGGBB), and the
    // index of the decoder palette entry with that colour, or -1 when no
    // palette was given or the colour matches none.
    std::array<uint32_t, 4> argb{};
    std::array<int, 4> paletteEntry{-1, -1, -1, -1};
    // Display start and end in ms, as the decoder computes them.
    int64_t startMs = 0, endMs = 0;
    // The decoder marked the picture forced (a forced start display command).
    bool forced = false;

    // The code shown at a frame position: 0 outside the rectangle.
    int CodeAt(int frameX, int frameY) const;
};

// True when the tests were built with libavcodec.
bool DvdSubDecoderAvailable();

class DvdSubDecoder {
public:
    // palette: the 16 disc palette entries as 0xRRGGBB, given to the decoder
    // so that the colours it reports can be traced back to entries. Without
    // one it guesses colours and paletteEntry stays -1.
    explicit DvdSubDecoder(std::optional<std::array<uint32_t, 16>> palette = std::nullopt);
    ~DvdSubDecoder();
    DvdSubDecoder(const DvdSubDecoder&) = delete;
    DvdSubDecoder& operator=(const DvdSubDecoder&) = delete;

    // Decodes one unit (without the 10-byte record header). Returns nothing
    // when the decoder reports no picture (for instance when every pixel is
    // transparent). Throws std::runtime_error when libavcodec is missing or
    // rejects the unit.
    std::optional<DecodedSubPicture> Decode(const std::vector<uint8_t>& unit);

private:
    struct Impl;
    Impl* impl_ = nullptr;
    std::optional<std::array<uint32_t, 16>> palette_;
};

// One record of a ".sup" file.
struct SupRecord {
    uint32_t pts = 0;  // presentation time in 1/90,000 s
    std::vector<uint8_t> unit;
};

// Splits a whole ".sup" file into its records by the "SP" headers and each
// unit's size field. Throws std::runtime_error on a malformed file.
std::vector<SupRecord> SplitSupFile(const std::string& bytes);

}  // namespace glyphon::test
