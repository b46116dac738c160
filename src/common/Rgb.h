// Colours and frames shared by the palette, the renderer and the encoder.
#pragma once

#include <cstdint>
#include <vector>

namespace glyphon {

// One exact 24-bit colour. Compared bit for bit: the encoder recognises role
// pixels by exact equality, never by nearness.
struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    // Packed as 0x00RRGGBB, the pixel layout of Frame.
    constexpr uint32_t Packed() const { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b; }
    static constexpr Rgb FromPacked(uint32_t p) {
        return Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
    }
};

inline constexpr Rgb kPureBlue{0, 0, 255};
inline constexpr int kFrameWidth = 720;
inline constexpr int kPalHeight = 576;
inline constexpr int kNtscHeight = 480;

// A video frame: 720 pixels wide, 576 (PAL) or 480 (NTSC) rows, row 0 at the
// top. Each pixel is one 32-bit word 0x00RRGGBB (the top byte is always zero),
// so a pixel compares with one instruction and a row converts to a Qt
// RGB32 image without copying. Owns its pixels.
class Frame {
public:
    Frame() = default;
    Frame(int width, int height, Rgb fill = kPureBlue) { Reset(width, height, fill); }

    void Reset(int width, int height, Rgb fill = kPureBlue) {
        width_ = width;
        height_ = height;
        pixels_.assign(size_t(width) * size_t(height), fill.Packed());
    }
    void Fill(Rgb c) { pixels_.assign(pixels_.size(), c.Packed()); }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    uint32_t* Row(int y) { return pixels_.data() + size_t(y) * size_t(width_); }
    const uint32_t* Row(int y) const { return pixels_.data() + size_t(y) * size_t(width_); }
    Rgb At(int x, int y) const { return Rgb::FromPacked(Row(y)[x]); }
    void Set(int x, int y, Rgb c) { Row(y)[x] = c.Packed(); }

    const std::vector<uint32_t>& Pixels() const { return pixels_; }
    std::vector<uint32_t>& Pixels() { return pixels_; }

    friend bool operator==(const Frame&, const Frame&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

}  // namespace glyphon
