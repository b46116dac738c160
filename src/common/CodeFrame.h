// A DVD frame as the sub-picture coder sees it: a two-bit pixel code for each
// of the 720 columns of every row, kept as two bit planes (bit 0 and bit 1 of
// the code, column x at bit x & 63 of word x >> 6). Drawing into it and coding
// from it give the same units as drawing the colours into a Frame and coding
// that, at a fraction of the memory traffic; the window, which shows the
// frame, keeps to the colours.
//
// Like Frame it remembers the rows written since it was last all background,
// so starting the next subtitle clears only those.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/Rgb.h"

namespace glyphon {

class CodeFrame {
public:
    static constexpr int kWords = (kFrameWidth + 63) / 64;

    // Every pixel `background` again, `height` rows.
    void Reset(int height, unsigned background) {
        const uint64_t lo = background & 1 ? ~uint64_t(0) : 0, hi = background & 2 ? ~uint64_t(0) : 0;
        if (height != height_ || background != background_) {
            height_ = height;
            background_ = background;
            planes_.resize(size_t(height) * 2 * kWords);
            writtenTop_ = 0;
            writtenBottom_ = height;
        }
        for (int y = writtenTop_; y < writtenBottom_; ++y) {
            std::fill_n(Low(y), kWords, lo);
            std::fill_n(High(y), kWords, hi);
        }
        writtenTop_ = writtenBottom_ = 0;
    }

    int Width() const { return kFrameWidth; }
    int Height() const { return height_; }

    // The planes of row y for writing (the row counts as written).
    uint64_t* Low(int y) {
        MarkWritten(y);
        return planes_.data() + size_t(y) * 2 * kWords;
    }
    uint64_t* High(int y) { return Low(y) + kWords; }
    const uint64_t* Low(int y) const { return planes_.data() + size_t(y) * 2 * kWords; }
    const uint64_t* High(int y) const { return Low(y) + kWords; }

    unsigned At(int x, int y) const {
        return unsigned(Low(y)[x >> 6] >> (x & 63) & 1) | unsigned(High(y)[x >> 6] >> (x & 63) & 1) << 1;
    }

private:
    void MarkWritten(int y) {
        if (writtenTop_ == writtenBottom_) {
            writtenTop_ = y;
            writtenBottom_ = y + 1;
        } else {
            writtenTop_ = std::min(writtenTop_, y);
            writtenBottom_ = std::max(writtenBottom_, y + 1);
        }
    }

    int height_ = 0;
    unsigned background_ = 0;
    std::vector<uint64_t> planes_;
    int writtenTop_ = 0, writtenBottom_ = 0;
};

}  // namespace glyphon
