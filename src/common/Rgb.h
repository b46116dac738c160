// Colours and frames shared by the palette, the renderer and the encoder.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
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
    static constexpr Rgb FromPacked(uint32_t p) { return Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)}; }
};

// A colour with its opacity (255: opaque).
struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// The palette entries of the colour roles: antialias, outline, text and
// background.
struct RoleIndices {
    int antialias = 0, outline = 0, text = 0, background = 0;
};

// A disc palette: each entry's Y, Cr and Cb in its low 24 bits (an IFO
// entry's reserved byte, bits 24 to 31, is not written).
using DiscPalette = std::array<uint32_t, 16>;

inline constexpr Rgb kPureBlue{0, 0, 255};
inline constexpr int kFrameWidth = 720;
inline constexpr int kPalHeight = 576;
inline constexpr int kNtscHeight = 480;

// A video frame: 720 pixels wide, 576 (PAL) or 480 (NTSC) rows, row 0 at the
// top. Each pixel is one 32-bit word 0x00RRGGBB (the top byte is always zero),
// so a pixel compares with one instruction and a row converts to a Qt
// RGB32 image without copying. Owns its pixels.
//
// A frame remembers which rows may have been written since it was last all
// pure blue: every row handed out for writing (Row, Set, Pixels) counts as
// written. Making it blue again (Fill or Reset with pure blue) then rewrites
// only those rows, so a generation run that draws one subtitle band after
// another starts each on a blue frame without rewriting the whole frame.
class Frame {
public:
    Frame() = default;
    Frame(int width, int height, Rgb fill = kPureBlue) { Reset(width, height, fill); }

    void Reset(int width, int height, Rgb fill = kPureBlue) {
        if (width == width_ && height == height_) {
            Fill(fill);
            return;
        }
        width_ = width;
        height_ = height;
        pixels_.assign(size_t(width) * size_t(height), fill.Packed());
        MarkFilledWith(fill);
    }
    void Fill(Rgb c) {
        if (c == kPureBlue && pixels_.size() == size_t(width_) * size_t(height_)) {
            if (writtenTop_ == writtenBottom_) return;
            // Every row outside the written ones is pure blue already. The
            // first is filled, the others copied from it (block copies).
            uint32_t* const first = pixels_.data() + ptrdiff_t(writtenTop_) * width_;
            std::fill_n(first, width_, c.Packed());
            for (int y = writtenTop_ + 1; y < writtenBottom_; ++y)
                std::copy_n(first, width_, pixels_.data() + ptrdiff_t(y) * width_);
        } else {
            pixels_.assign(pixels_.size(), c.Packed());
        }
        MarkFilledWith(c);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    uint32_t* Row(int y) {
        MarkWritten(y);
        return pixels_.data() + size_t(y) * size_t(width_);
    }
    const uint32_t* Row(int y) const { return pixels_.data() + size_t(y) * size_t(width_); }
    Rgb At(int x, int y) const { return Rgb::FromPacked(Row(y)[x]); }
    void Set(int x, int y, Rgb c) { Row(y)[x] = c.Packed(); }

    const std::vector<uint32_t>& Pixels() const { return pixels_; }
    std::vector<uint32_t>& Pixels() {
        MarkAllWritten();
        return pixels_;
    }

    // Equal size and pixels; how a frame came by them does not matter.
    friend bool operator==(const Frame& a, const Frame& b) {
        return a.width_ == b.width_ && a.height_ == b.height_ && a.pixels_ == b.pixels_;
    }

private:
    // After filling with `c`: no row written when it is pure blue, else all.
    void MarkFilledWith(Rgb c) {
        if (c == kPureBlue) {
            writtenTop_ = writtenBottom_ = 0;
        } else {
            MarkAllWritten();
        }
    }
    void MarkAllWritten() {
        writtenTop_ = 0;
        writtenBottom_ = height_;
    }
    void MarkWritten(int y) {
        y = std::clamp(y, 0, std::max(height_ - 1, 0));
        if (writtenTop_ == writtenBottom_) {
            writtenTop_ = y;
            writtenBottom_ = y + 1;
        } else {
            writtenTop_ = std::min(writtenTop_, y);
            writtenBottom_ = std::max(writtenBottom_, y + 1);
        }
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
    // Rows [writtenTop_, writtenBottom_) may differ from pure blue; every
    // other row is pure blue.
    int writtenTop_ = 0, writtenBottom_ = 0;
};

}  // namespace glyphon
