#include "pgs/PgsStream.h"

#include <algorithm>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sup/SupWriter.h"

namespace glyphon {

namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

constexpr uint8_t kEpochStart = 0x80;
constexpr uint8_t kNormalCase = 0x00;

std::vector<uint8_t> CompositionPayload(const PgsVideo& video, uint16_t composition, uint8_t state,
                                        const PgsObject* object, bool paletteOnly = false) {
    std::vector<uint8_t> p;
    Put16(p, unsigned(video.width));
    Put16(p, unsigned(video.height));
    p.push_back(video.frameRate);
    Put16(p, composition);
    p.push_back(state);
    p.push_back(paletteOnly ? 0x80 : 0x00);  // a palette-only update
    p.push_back(0x00);                       // palette id
    p.push_back(object ? 1 : 0);
    if (object) {
        Put16(p, 0);        // object id
        p.push_back(0);     // window id
        p.push_back(0x00);  // not cropped
        Put16(p, unsigned(object->x));
        Put16(p, unsigned(object->y));
    }
    return p;
}

std::vector<uint8_t> WindowPayload(const PgsObject& object) {
    std::vector<uint8_t> p;
    p.push_back(1);  // one window
    p.push_back(0);  // window id
    Put16(p, unsigned(object.x));
    Put16(p, unsigned(object.y));
    Put16(p, unsigned(object.width));
    Put16(p, unsigned(object.height));
    return p;
}

}  // namespace

namespace {

// The end of the run of row[x]'s value that starts at x: eight pixels are
// compared at a time.
int RunEnd(const uint8_t* row, int x, int width) {
    const uint8_t c = row[x];
    const uint64_t pattern = 0x0101010101010101ull * c;
    int end = x + 1;
    for (; end + 8 <= width; end += 8) {
        uint64_t v;
        std::memcpy(&v, row + end, 8);
        if (const uint64_t differ = v ^ pattern) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            return end + (__builtin_ctzll(differ) >> 3);
#else
            return end + (__builtin_clzll(differ) >> 3);
#endif
        }
    }
    while (end < width && row[end] == c) ++end;
    return end;
}

// Runs of a colour shorter than this are written as their pixels: a run of
// three is three bytes either way, and a stretch of such pixels is copied.
constexpr int kLiteralBelow = 8;

// Codes the run of `run` pixels of value c.
inline uint8_t* PutRun(uint8_t* out, uint8_t c, int run) {
    if (c == 0) {
        *out++ = 0;
        if (run < 64) {
            *out++ = uint8_t(run);
        } else {
            *out++ = uint8_t(0x40 | (run >> 8));
            *out++ = uint8_t(run);
        }
    } else if (run < kLiteralBelow) {
        for (int i = 0; i < run; ++i) *out++ = c;
    } else if (run < 64) {
        *out++ = 0;
        *out++ = uint8_t(0x80 | run);
        *out++ = c;
    } else {
        *out++ = 0;
        *out++ = uint8_t(0xC0 | (run >> 8));
        *out++ = uint8_t(run);
        *out++ = c;
    }
    return out;
}

// Codes the rows into `out` (room for 2 bytes a pixel, 2 a row and 32
// more); gives the end. A stretch of pixels that holds no 0 and no run of
// kLiteralBelow is copied as it is, sixteen pixels at a time where SSE2
// helps.
uint8_t* EncodeRows(const uint8_t* pixels, int width, int height, uint8_t* out) {
    // The blocks may look past a row's end into the next row (never past
    // the last): what they find there only ends a stretch early, and the
    // run found then is cut at the row's end, so the coding is the same.
    const uint8_t* const end = pixels + size_t(width) * size_t(height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t(y) * size_t(width);
        int x = 0;
        while (x < width) {
#if defined(__SSE2__)
            if (row + x + 49 <= end) {
                // Bit i of `same`: pixel x + i equals the next one; a run of
                // eight starts where seven such bits in a row are set. 32
                // pixels a step.
                static_assert(kLiteralBelow == 8, "seven equal neighbours make a run of eight");
                const auto load = [&](int at) {
                    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x + at));
                };
                const auto equal = [&](__m128i a, int at) {
                    return uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, load(at)))));
                };
                const __m128i v0 = load(0), v16 = load(16), v32 = load(32);
                const uint64_t same = equal(v0, 1) | equal(v16, 17) << 16 | equal(v32, 33) << 32;
                const uint64_t two = same & (same >> 1), four = two & (two >> 2), eight = four & (four >> 3);
                const __m128i zero = _mm_setzero_si128();
                const uint64_t zeros = uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v0, zero)))) |
                                       uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v16, zero)))) << 16;
                const uint64_t stop = ((eight | zeros) & 0xFFFFFFFFull) | (uint64_t(1) << 32);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v0);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), v16);
                const int k = std::min(int(__builtin_ctzll(stop)), width - x);
                out += k;
                x += k;
                if (k == 32 || x == width) continue;
                // The run at the stop, when it ends inside the window and the
                // row: zeros by the zero bits, a colour by the equal bits.
                const bool isZero = (zeros >> k) & 1;
                const uint64_t going = isZero ? zeros : same;  // no further than the window
                const int run = std::min(int(__builtin_ctzll(~(going >> k))) + (isZero ? 0 : 1), width - x);
                if (k + run < (isZero ? 32 : 48) || x + run == width) {
                    out = PutRun(out, row[x], run);
                    x += run;
                    continue;
                }
            }
#endif
            const int run = std::min(RunEnd(row, x, width) - x, 16383);
            out = PutRun(out, row[x], run);
            x += run;
        }
        *out++ = 0;
        *out++ = 0;
    }
    return out;
}

size_t RleRoom(int width, int height) { return size_t(width) * size_t(height) * 2 + size_t(height) * 2 + 64; }

}  // namespace

void AppendPgsSegment(std::vector<uint8_t>& out, uint8_t type, uint32_t pts,
                      const std::vector<uint8_t>& payload) {
    out.push_back('P');
    out.push_back('G');
    Put32(out, pts);
    Put32(out, 0);  // decoding time: not used by players of these streams
    out.push_back(type);
    Put16(out, unsigned(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
}

namespace {

// Palette id 0 and its version, then id, Y', Cr, Cb and opacity of each
// entry, written in place.
void AppendPaletteSegment(std::vector<uint8_t>& set, uint32_t pts, const std::vector<PgsColor>& palette,
                          uint8_t version) {
    static thread_local std::vector<uint8_t> p;
    const size_t entries = std::min<size_t>(palette.size(), 256);
    p.resize(2 + 5 * entries);
    p[0] = 0;
    p[1] = version;
    for (size_t i = 0; i < entries; ++i) {
        uint8_t* e = p.data() + 2 + 5 * i;
        e[0] = uint8_t(i);
        e[1] = palette[i].y;
        e[2] = palette[i].cr;
        e[3] = palette[i].cb;
        e[4] = palette[i].alpha;
    }
    AppendPgsSegment(set, kPgsPalette, pts, p);
}

}  // namespace

void AppendPgsPaletteSet(std::vector<uint8_t>& set, const PgsVideo& video, uint16_t composition, uint32_t pts,
                         const PgsObject& shown, const std::vector<PgsColor>& palette, uint8_t version) {
    AppendPgsSegment(set, kPgsComposition, pts,
                     CompositionPayload(video, composition, kNormalCase, &shown, true));
    AppendPaletteSegment(set, pts, palette, version);
    AppendPgsSegment(set, kPgsEnd, pts, {});
}

void AppendPgsShowSet(std::vector<uint8_t>& set, const PgsVideo& video, uint16_t composition, uint32_t pts,
                      const PgsObject& object, const std::vector<PgsColor>& palette) {
    AppendPgsSegment(set, kPgsComposition, pts, CompositionPayload(video, composition, kEpochStart, &object));
    AppendPgsSegment(set, kPgsWindow, pts, WindowPayload(object));
    AppendPaletteSegment(set, pts, palette, 0);

    // The object's data: its length (which counts the width and height),
    // width, height, then the coded rows, cut into segments of at most
    // 65,535 bytes; the first carries the length, the last is flagged. The
    // rows are coded into a buffer kept for the next subtitle.
    static thread_local std::unique_ptr<uint8_t[]> coded;
    static thread_local size_t codedRoom = 0;
    const size_t room = RleRoom(object.width, object.height) + 7;
    if (codedRoom < room) {
        coded.reset(new uint8_t[room]);
        codedRoom = room;
    }
    uint8_t* const data = coded.get();
    const size_t size =
        size_t(EncodeRows(object.pixels.data(), object.width, object.height, data + 7) - data);
    const unsigned length = unsigned(size - 7 + 4);
    data[0] = uint8_t(length >> 16), data[1] = uint8_t(length >> 8), data[2] = uint8_t(length);
    data[3] = uint8_t(object.width >> 8), data[4] = uint8_t(object.width);
    data[5] = uint8_t(object.height >> 8), data[6] = uint8_t(object.height);
    constexpr size_t kMaxFragment = 65535 - 4;  // after object id, version and sequence flags
    set.reserve(set.size() + size + (size / kMaxFragment + 1) * 17 + 13);
    size_t at = 0;
    do {
        const size_t n = std::min(kMaxFragment, size - at);
        uint8_t flags = 0;
        if (at == 0) flags |= 0x80;
        if (at + n == size) flags |= 0x40;
        // The segment's header and payload written in place.
        set.push_back('P');
        set.push_back('G');
        Put32(set, pts);
        Put32(set, 0);
        set.push_back(kPgsObject);
        Put16(set, unsigned(n + 4));
        Put16(set, 0);     // object id
        set.push_back(0);  // version
        set.push_back(flags);
        set.insert(set.end(), data + at, data + at + n);
        at += n;
    } while (at < size);

    AppendPgsSegment(set, kPgsEnd, pts, {});
}

std::vector<uint8_t> PgsClearSet(const PgsVideo& video, uint16_t composition, uint32_t pts,
                                 const PgsObject& shown) {
    std::vector<uint8_t> set;
    AppendPgsSegment(set, kPgsComposition, pts, CompositionPayload(video, composition, kNormalCase, nullptr));
    AppendPgsSegment(set, kPgsWindow, pts, WindowPayload(shown));
    AppendPgsSegment(set, kPgsEnd, pts, {});
    return set;
}

void PgsWriter::Create(const std::string& path, const PgsVideo& video) {
    file_.Create(path);
    video_ = video;
    composition_ = 0;
    clearPending_ = false;
}

void PgsWriter::Put(const std::vector<uint8_t>& set) {
    const uint64_t end = file_.Position();
    try {
        file_.Write(set.data(), set.size());
    } catch (...) {
        try {
            file_.Truncate(end);
        } catch (...) {
        }
        throw;
    }
    ++composition_;
}

void PgsWriter::WritePendingClear() {
    if (!clearPending_) return;
    Put(PgsClearSet(video_, composition_, clearPts_, shown_));
    clearPending_ = false;
}

void PgsWriter::Show(int64_t startTicks, int64_t endTicks, const PgsObject& object,
                     const std::vector<PgsColor>& palette) {
    if (object.Empty()) return;
    const uint32_t start = PresentationTime(startTicks);
    const uint32_t end = std::max(start, PresentationTime(endTicks));
    // A subtitle still shown when this one starts is replaced by it.
    if (clearPending_ && clearPts_ <= start) WritePendingClear();
    clearPending_ = false;
    set_.clear();
    AppendPgsShowSet(set_, video_, composition_, start, object, palette);
    Put(set_);
    paletteVersion_ = 0;
    shown_.x = object.x;
    shown_.y = object.y;
    shown_.width = object.width;
    shown_.height = object.height;
    clearPending_ = true;
    clearPts_ = end;
}

void PgsWriter::Recolour(int64_t startTicks, int64_t endTicks, const PgsObject& object,
                         const std::vector<PgsColor>& palette) {
    const uint32_t start = PresentationTime(startTicks);
    // A palette's version counts to 255 within an epoch: the update after
    // that starts a new one.
    if (!clearPending_ || clearPts_ <= start || paletteVersion_ == 255 || object.x != shown_.x ||
        object.y != shown_.y || object.width != shown_.width || object.height != shown_.height) {
        Show(startTicks, endTicks, object, palette);
        return;
    }
    set_.clear();
    AppendPgsPaletteSet(set_, video_, composition_, start, shown_, palette, ++paletteVersion_);
    Put(set_);
    clearPts_ = std::max(start, PresentationTime(endTicks));
}

void PgsWriter::Seal() {
    if (!file_.IsOpen()) return;
    try {
        WritePendingClear();
    } catch (...) {
        Discard();
        throw;
    }
    file_.Seal();
}

void PgsWriter::Close() {
    Seal();
    file_.Close();
}

void PgsWriter::Discard() {
    clearPending_ = false;
    file_.Discard();
}

}  // namespace glyphon
