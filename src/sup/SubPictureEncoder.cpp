#include "sup/SubPictureEncoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

#include "common/CodeFrame.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace glyphon {

namespace {

constexpr int kLastColumn = kFrameWidth - 1;  // 719: supplied by the end-of-line code

// Worst case for one row: every pixel its own one-nibble run (719 nibbles,
// padded to 360 bytes), then the two-byte end-of-line code.
constexpr size_t kMaxRowBytes = (kLastColumn + 1) / 2 + 2;

// Unit size field, first control sequence offset, the block's two leading zero
// bytes; at the end the block's two closing zero bytes, the two control
// sequences and the padding byte.
constexpr size_t kFixedBytes = 4 + 2 + 2 + 28 + 1;

// Classification by packed 0x00RRGGBB words, in the override order of ClassifyPixel.
uint32_t ClassifyPacked(uint32_t pixel, uint32_t antialias, uint32_t outline, uint32_t text) {
    uint32_t code = kCodeBackground;
    if (pixel == antialias) code = kCodeAntialias;
    if (pixel == outline) code = kCodeOutline;
    if (pixel == text) code = kCodeText;
    if (pixel == kPureBlue.Packed()) code = kCodeBackground;
    return code;
}

// The same classification for the row coder: the pixel is compared with all
// four colours at once, and the four results select the code from a table
// that applies the same precedence.
class Classifier {
public:
    explicit Classifier(const RoleColours& c)
        : antialias_(c.antialias.Packed()), outline_(c.outline.Packed()), text_(c.text.Packed()) {
#if defined(__SSE2__)
        colours_ = _mm_setr_epi32(int(text_), int(outline_), int(antialias_), int(kPureBlue.Packed()));
#endif
    }

    uint32_t operator()(uint32_t pixel) const {
#if defined(__SSE2__)
        const __m128i same = _mm_cmpeq_epi32(_mm_set1_epi32(int(pixel)), colours_);
        const unsigned matches = unsigned(_mm_movemask_ps(_mm_castsi128_ps(same)));
        return (kCodeByMatches >> (2 * matches)) & 3;
#else
        return ClassifyPacked(pixel, antialias_, outline_, text_);
#endif
    }

private:
    // Two bits per match set (bit 0 text, 1 outline, 2 antialias, 3 pure
    // blue): pure blue is background, then text, outline, antialias.
    static constexpr uint32_t kCodeByMatches = [] {
        uint32_t table = 0;
        for (unsigned m = 0; m < 16; ++m) {
            const uint32_t code = m & 8 ? 0 : m & 1 ? 1 : m & 2 ? 2 : m & 4 ? 3 : 0;
            table |= code << (2 * m);
        }
        return table;
    }();

    uint32_t antialias_, outline_, text_;
#if defined(__SSE2__)
    __m128i colours_;
#endif
};

// Bits of the code for a run of n pixels (1..255): nibbles by the bit length
// of n, 1-2 bits one nibble, 3-4 two, 5-6 three, 7-8 four.
constexpr auto kCodeBits = [] {
    std::array<uint8_t, 256> bits{};
    for (unsigned n = 1; n < 256; ++n) bits[n] = uint8_t((std::bit_width(n) + 1) / 2 * 4);
    return bits;
}();

// Writes run codes as a big-endian bit stream. Whole bytes are stored eight
// at a time without branching, so the destination needs kWriteSlack spare
// bytes behind the data; later writes overwrite them.
constexpr size_t kWriteSlack = 8;

// Room for coding a unit of `bytes` at most, kept per thread. A unit is coded
// here and copied out at its real length: growing the caller's buffer to the
// band's worst case would zero tens of kilobytes for every unit of a few.
uint8_t* CodingSpace(size_t bytes) {
    thread_local std::unique_ptr<uint8_t[]> space;
    thread_local size_t held = 0;
    if (held < bytes) {
        space.reset(new uint8_t[bytes]);
        held = bytes;
    }
    return space.get();
}

class CodeWriter {
public:
    explicit CodeWriter(uint8_t* dst) : dst_(dst) {}

    // A run of n >= 1 pixels of one code. The code for (n, c) is the value
    // 4n + c in 1, 2, 3 or 4 nibbles for n up to 3, 15, 63 and 255; the wider
    // forms start with zero nibbles, which tell a decoder how wide the code is.
    // A longer run becomes several codes of the same colour: 255, then 255
    // again if needed, then the rest (never zero).
    void PutRun(uint32_t n, uint32_t code) {
        while (n > 255) {
            Put(4 * 255 + code, 16);
            n -= 255;
        }
        Put(4 * n + code, kCodeBits[n]);
        StoreWholeBytes();
    }

    // Ends a row on a byte boundary with a zero nibble when needed, then the
    // end-of-line code 0000, which fills the rest of the line with background.
    void EndRow() {
        if (bits_ != 0) {  // always 4 here: codes are whole nibbles
            Put(0, 4);
            StoreWholeBytes();
        }
        *dst_++ = 0;
        *dst_++ = 0;
    }

    uint8_t* Position() const { return dst_; }

private:
    void Put(uint32_t value, uint32_t width) {
        acc_ = (acc_ << width) | value;
        bits_ += width;
    }

    // At most 7 + 3 * 16 bits are pending here, and at least 4.
    void StoreWholeBytes() {
        const uint64_t aligned = acc_ << (64 - bits_);
        const uint64_t bigEndian =
            std::endian::native == std::endian::little ? __builtin_bswap64(aligned) : aligned;
        std::memcpy(dst_, &bigEndian, sizeof bigEndian);
        dst_ += bits_ >> 3;
        bits_ &= 7;
    }

    uint8_t* dst_;
    uint64_t acc_ = 0;
    uint32_t bits_ = 0;
};

// Bit i of the result is set when pixel i + 1 differs from pixel i, for the
// pixels 2 to 718 where a new run can begin.
struct ChangeMask {
    static constexpr int kWords = (kLastColumn + 63) / 64;
    uint64_t words[kWords];
};

#if defined(__SSE2__)
// Bits 0-15: pixels i + 1 .. i + 16 against their left neighbours.
inline uint64_t Changes16(const uint32_t* row, int i) {
    const auto* cur = reinterpret_cast<const __m128i*>(row + i + 1);
    const auto* prev = reinterpret_cast<const __m128i*>(row + i);
    const __m128i e0 = _mm_cmpeq_epi32(_mm_loadu_si128(cur), _mm_loadu_si128(prev));
    const __m128i e1 = _mm_cmpeq_epi32(_mm_loadu_si128(cur + 1), _mm_loadu_si128(prev + 1));
    const __m128i e2 = _mm_cmpeq_epi32(_mm_loadu_si128(cur + 2), _mm_loadu_si128(prev + 2));
    const __m128i e3 = _mm_cmpeq_epi32(_mm_loadu_si128(cur + 3), _mm_loadu_si128(prev + 3));
    const __m128i equal = _mm_packs_epi16(_mm_packs_epi32(e0, e1), _mm_packs_epi32(e2, e3));
    return ~uint32_t(_mm_movemask_epi8(equal)) & 0xFFFFu;
}
#endif

void FindChanges(const uint32_t* row, ChangeMask& mask) {
    constexpr int kCompared = kLastColumn - 1;  // pixels 1 to 718 against their left neighbours
    int i = 0;
#if defined(__SSE2__)
    // Whole words, sixteen pixels at a time, none beyond pixel 718.
    for (; i + 64 <= kCompared; i += 64)
        mask.words[i >> 6] = Changes16(row, i) | Changes16(row, i + 16) << 16 | Changes16(row, i + 32) << 32 |
                             Changes16(row, i + 48) << 48;
#endif
    for (int w = i >> 6; w < ChangeMask::kWords; ++w) mask.words[w] = 0;
    for (; i < kCompared; ++i) mask.words[i >> 6] |= uint64_t(row[i + 1] != row[i]) << (i & 63);
    mask.words[0] &= ~uint64_t(1);  // pixel 1 always begins the first run
}

// One row as runs of equal raw colour. The runs start at pixel 1 (pixel 0 is
// not encoded) and cover 719 pixels: the last run takes pixel 719 as well,
// whose own colour is not looked at, and the end-of-line code supplies the
// last display column. Two different colours of the same code still make two
// runs.
void EncodeRow(const uint32_t* row, const Classifier& classify, CodeWriter& writer) {
    CodeWriter out = writer;  // kept in registers for the row
    ChangeMask mask;
    FindChanges(row, mask);
    uint32_t start = 1;
    for (uint32_t w = 0; w < ChangeMask::kWords; ++w) {
        for (uint64_t bits = mask.words[w]; bits != 0; bits &= bits - 1) {
            const uint32_t x = w * 64 + uint32_t(__builtin_ctzll(bits)) + 1;
            out.PutRun(x - start, classify(row[start]));
            start = x;
        }
    }
    out.PutRun(kFrameWidth - start, classify(row[start]));
    out.EndRow();
    writer = out;
}

// The same row from its pixel codes: runs begin where the code changes,
// which is where the colour changes (each colour drawn has a code of its
// own, pure blue the background's).
void EncodeCodeRow(const uint64_t* lo, const uint64_t* hi, CodeWriter& writer) {
    CodeWriter out = writer;
    constexpr int kWords = CodeFrame::kWords;
    const auto codeAt = [&](uint32_t x) {
        return uint32_t(lo[x >> 6] >> (x & 63) & 1) | uint32_t(hi[x >> 6] >> (x & 63) & 1) << 1;
    };
    ChangeMask mask;
    static_assert(ChangeMask::kWords == kWords);
    for (int w = 0; w < kWords; ++w) {
        // Bit i: pixel i + 1 against pixel i.
        const uint64_t nextLo = (lo[w] >> 1) | (w + 1 < kWords ? lo[w + 1] << 63 : 0);
        const uint64_t nextHi = (hi[w] >> 1) | (w + 1 < kWords ? hi[w + 1] << 63 : 0);
        mask.words[w] = (lo[w] ^ nextLo) | (hi[w] ^ nextHi);
    }
    // Only pixels 1 to 718 against their left neighbours; pixel 1 always
    // begins the first run.
    constexpr int kCompared = kLastColumn - 1;
    mask.words[kCompared >> 6] &= (uint64_t(1) << (kCompared & 63)) - 1;
    mask.words[0] &= ~uint64_t(1);
    uint32_t start = 1;
    for (uint32_t w = 0; w < ChangeMask::kWords; ++w) {
        for (uint64_t bits = mask.words[w]; bits != 0; bits &= bits - 1) {
            const uint32_t x = w * 64 + uint32_t(__builtin_ctzll(bits)) + 1;
            out.PutRun(x - start, codeAt(start));
            start = x;
        }
    }
    out.PutRun(kFrameWidth - start, codeAt(start));
    out.EndRow();
    writer = out;
}

void PutU16(uint8_t* p, size_t value) {
    p[0] = uint8_t(value >> 8);
    p[1] = uint8_t(value);
}

void CheckRoleIndex(int index, const char* role) {
    if (index < 0 || index > 15)
        throw std::invalid_argument(std::string("The ") + role + " palette entry " + std::to_string(index) +
                                    " is not between 0 and 15");
}

}  // namespace

PixelCode ClassifyPixel(Rgb pixel, const RoleColours& colours) {
    return PixelCode(ClassifyPacked(pixel.Packed(), colours.antialias.Packed(), colours.outline.Packed(),
                                    colours.text.Packed()));
}

UnitTooLargeError::UnitTooLargeError(size_t size)
    : std::runtime_error("The subtitle picture needs " + std::to_string(size) +
                         " bytes, more than the 65535 bytes a DVD sub-picture unit can hold"),
      size_(size) {}

uint16_t DisplayTimeUnits(int64_t durationMs) {
    if (durationMs <= 0) return 0;
    // 65,535 units are 745,642 ms; anything from there on is held at the limit.
    if (durationMs >= 1'000'000) return 65535;
    // Rounded down: a subtitle that ends where the next one starts must be
    // hidden by then, never a few milliseconds into it.
    const int64_t units = durationMs * 90 / 1024;
    return uint16_t(std::min<int64_t>(units, 65535));
}

template <class CodeRow>
void SubPictureEncoder::EncodeUnit(int frameWidth, int frameHeight, int BandTop, int BandHeight,
                                   int64_t durationMs, std::vector<uint8_t>& out, CodeRow codeRow) const {
    if (frameWidth != kFrameWidth)
        throw std::invalid_argument("The frame is " + std::to_string(frameWidth) +
                                    " pixels wide; sub-pictures are encoded from 720-pixel frames");
    if (BandHeight < 1 || BandTop < 0 || int64_t(BandTop) + BandHeight > frameHeight)
        throw std::invalid_argument("The subtitle band (rows " + std::to_string(BandTop) + " to " +
                                    std::to_string(int64_t(BandTop) + BandHeight - 1) +
                                    ") does not lie inside the frame of " + std::to_string(frameHeight) +
                                    " rows");
    CheckRoleIndex(indices_.antialias, "antialias");
    CheckRoleIndex(indices_.outline, "outline");
    CheckRoleIndex(indices_.text, "text");
    CheckRoleIndex(indices_.background, "background");

    const size_t capacity = kFixedBytes + size_t(BandHeight) * kMaxRowBytes + kWriteSlack;
    uint8_t* const unit = CodingSpace(capacity);

    // Pixel data block: two zero bytes, the top field (even band rows), the
    // bottom field (odd band rows), two zero bytes.
    unit[4] = 0;
    unit[5] = 0;
    CodeWriter writer(unit + 6);
    for (int y = BandTop; y < BandTop + BandHeight; y += 2) codeRow(y, writer);
    const size_t bottomField = size_t(writer.Position() - unit);
    for (int y = BandTop + 1; y < BandTop + BandHeight; y += 2) codeRow(y, writer);

    // C: the first control sequence, whose zero delay is the block's two
    // closing zero bytes.
    const size_t c = size_t(writer.Position() - unit);
    const size_t blockLength = c + 2 - 4;
    const size_t size = c + 30 + (blockLength & 1);
    if (size > kMaxUnitSize) throw UnitTooLargeError(size);

    uint8_t* p = unit + c;
    const size_t last = c + 24;
    // The area's y end is the last coded row itself: decoders show rows
    // BandTop to yEnd inclusive, and one row more would repeat the band's
    // second row from the start of the bottom field.
    const int yEnd = BandTop + BandHeight - 1;
    *p++ = 0;
    *p++ = 0;
    PutU16(p, last);
    p += 2;
    *p++ = forced_ ? 0x00 : 0x01;  // forced start display, or start display
    *p++ = 0x03;                   // palette entries of codes 3, 2 and 1, 0
    *p++ = uint8_t(indices_.antialias << 4 | indices_.outline);
    *p++ = uint8_t(indices_.text << 4 | indices_.background);
    *p++ = 0x04;  // contrast: codes 3, 2, 1 opaque, code 0 transparent
    *p++ = 0xFF;
    *p++ = 0xF0;
    *p++ = 0x05;  // display area: x 0 to 719, y BandTop to yEnd
    *p++ = 0x00;
    *p++ = 0x02;
    *p++ = 0xCF;
    *p++ = uint8_t(BandTop >> 4);
    *p++ = uint8_t((BandTop & 0xF) << 4 | (yEnd >> 8));
    *p++ = uint8_t(yEnd);
    *p++ = 0x06;  // field addresses
    PutU16(p, 6);
    p += 2;
    PutU16(p, bottomField);
    p += 2;
    *p++ = 0xFF;
    // Last control sequence: stop display after the subtitle's duration.
    PutU16(p, DisplayTimeUnits(durationMs));
    p += 2;
    PutU16(p, last);
    p += 2;
    *p++ = 0x02;
    *p++ = 0xFF;
    if (blockLength & 1) *p++ = 0xFF;  // keeps the unit's length even

    PutU16(unit, size);
    PutU16(unit + 2, c);
    out.assign(unit, unit + size);
}

void SubPictureEncoder::EncodeInto(const Frame& frame, int BandTop, int BandHeight, int64_t durationMs,
                                   std::vector<uint8_t>& out) const {
    const Classifier classify(colours_);
    EncodeUnit(frame.Width(), frame.Height(), BandTop, BandHeight, durationMs, out,
               [&](int y, CodeWriter& writer) { EncodeRow(frame.Row(y), classify, writer); });
}

void SubPictureEncoder::EncodeInto(const CodeFrame& frame, int BandTop, int BandHeight, int64_t durationMs,
                                   std::vector<uint8_t>& out) const {
    EncodeUnit(frame.Width(), frame.Height(), BandTop, BandHeight, durationMs, out,
               [&](int y, CodeWriter& writer) { EncodeCodeRow(frame.Low(y), frame.High(y), writer); });
}

const std::vector<uint8_t>& SubPictureEncoder::Encode(const CodeFrame& frame, int BandTop, int BandHeight,
                                                      int64_t durationMs) {
    EncodeInto(frame, BandTop, BandHeight, durationMs, buffer_);
    return buffer_;
}

const std::vector<uint8_t>& SubPictureEncoder::Encode(const Frame& frame, int BandTop, int BandHeight,
                                                      int64_t durationMs) {
    EncodeInto(frame, BandTop, BandHeight, durationMs, buffer_);
    return buffer_;
}

std::vector<uint8_t> EncodeSubPicture(const Frame& frame, int BandTop, int BandHeight,
                                      const RoleIndices& indices, const RoleColours& colours,
                                      int64_t durationMs) {
    std::vector<uint8_t> unit;
    SubPictureEncoder(indices, colours).EncodeInto(frame, BandTop, BandHeight, durationMs, unit);
    return unit;
}

}  // namespace glyphon
