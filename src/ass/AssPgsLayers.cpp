#include "ass/AssPgsLayers.h"

extern "C" {
#include <ass/ass.h>
}

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "pgs/PgsPicture.h"

namespace glyphon {

namespace {

constexpr int kMostLayers = 3;
constexpr size_t kMostEntries = 255;  // besides the transparent entry 0
constexpr uint16_t kNoEntry = 0xFFFF;
// Images of one layer are checked for overlaps pairwise up to this many.
constexpr size_t kMostPairs = 64;

struct Layer {
    uint32_t colour;               // libass's: r, g, b from the high byte down, then transparency
    int left, top, right, bottom;  // the union of its images, in the frame
};

struct Placed {
    const ASS_Image* image;
    int layer;
    int left, top, right, bottom;  // within the frame
};

bool Meets(const Layer& l, const Placed& p) {
    return p.left < l.right && l.left < p.right && p.top < l.bottom && l.top < p.bottom;
}

bool Overlap(const Placed& a, const Placed& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Bits of each layer's coverage in a key, from the first layer up.
int BitsOf(int layers, int layer) {
    if (layers == 1) return 8;
    if (layers == 2) return 7;
    return layer == 2 ? 6 : 5;
}

// dst = dst + src - dst * src / 255, rounded: coverage laid over coverage.
void LayOver(uint8_t* dst, const uint8_t* src, size_t n) {
    size_t x = 0;
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128);
    const auto product = [&](__m128i d, __m128i s) {
        const __m128i t = _mm_add_epi16(_mm_mullo_epi16(d, s), half);
        return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    };
    for (; x + 16 <= n; x += 16) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        const __m128i lo = product(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero));
        const __m128i hi = product(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero));
        // d + s - d s / 255 never exceeds 255.
        const __m128i sum = _mm_sub_epi8(_mm_add_epi8(d, s), _mm_packus_epi16(lo, hi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), sum);
    }
    for (; x < n; ++x) {
        const unsigned d = dst[x], s = src[x], t = d * s + 128;
        dst[x] = uint8_t(d + s - ((t + (t >> 8)) >> 8));
    }
}

// keys |= (src >> drop) << shift over n pixels.
void AddToKeys(uint16_t* keys, const uint8_t* src, size_t n, int drop, int shift) {
    size_t x = 0;
    const __m128i zero = _mm_setzero_si128(), dropBy = _mm_cvtsi32_si128(drop),
                  shiftBy = _mm_cvtsi32_si128(shift);
    for (; x + 16 <= n; x += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        const auto add = [&](__m128i wide, uint16_t* at) {
            const __m128i part = _mm_sll_epi16(_mm_srl_epi16(wide, dropBy), shiftBy);
            __m128i* k = reinterpret_cast<__m128i*>(at);
            _mm_storeu_si128(k, _mm_or_si128(_mm_loadu_si128(k), part));
        };
        add(_mm_unpacklo_epi8(s, zero), keys + x);
        add(_mm_unpackhi_epi8(s, zero), keys + x + 8);
    }
    for (; x < n; ++x) keys[x] = uint16_t(keys[x] | (src[x] >> drop) << shift);
}

// keys |= (16 coverages >> drop) << shift (AVX2).
__attribute__((target("avx2"))) inline void AddSixteenToKeys(uint16_t* at, const uint8_t* src, __m128i dropBy,
                                                             __m128i shiftBy) {
    const __m256i wide = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
    __m256i* k = reinterpret_cast<__m256i*>(at);
    _mm256_storeu_si256(
        k, _mm256_or_si256(_mm256_loadu_si256(k), _mm256_sll_epi16(_mm256_srl_epi16(wide, dropBy), shiftBy)));
}

// AddToKeys 32 pixels at a time (AVX2).
__attribute__((target("avx2"))) void AddToKeysAvx2(uint16_t* keys, const uint8_t* src, size_t n, int drop,
                                                   int shift) {
    size_t x = 0;
    const __m128i dropBy = _mm_cvtsi32_si128(drop), shiftBy = _mm_cvtsi32_si128(shift);
    for (; x + 32 <= n; x += 32) {
        AddSixteenToKeys(keys + x, src + x, dropBy, shiftBy);
        AddSixteenToKeys(keys + x + 16, src + x + 16, dropBy, shiftBy);
    }
    for (; x + 16 <= n; x += 16) AddSixteenToKeys(keys + x, src + x, dropBy, shiftBy);
    for (; x < n; ++x) keys[x] = uint16_t(keys[x] | (src[x] >> drop) << shift);
}

// True when the eight keys from `at` are one.
bool Uniform(const uint16_t* at) {
    const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(k, _mm_set1_epi16(short(at[0])))) == 0xFFFF;
}

// The entries of a row's keys from `entries`, `give` called for a key
// without one; runs of eight equal keys (mostly nothing, or a glyph's
// inside) are looked up once.
template <typename Give>
inline void MapRow(const uint16_t* keys, size_t w, const uint16_t* entries, uint8_t* out, const Give& give) {
    for (size_t x = 0; x < w; x += 8) {
        if (Uniform(keys + x)) {
            const uint16_t e = entries[keys[x]];
            std::memset(out + x, e != kNoEntry ? uint8_t(e) : give(keys[x]), 8);
            continue;
        }
        uint16_t block[8];
        std::memcpy(block, keys + x, sizeof block);
        uint16_t e[8];
        unsigned missing = 0;
        for (int k = 0; k < 8; ++k) missing |= e[k] = entries[block[k]];
        if (missing > 0xFF)
            for (int k = 0; k < 8; ++k)
                if (e[k] == kNoEntry) e[k] = give(block[k]);
        uint64_t mapped = 0;  // built in a register: eight byte stores read back as one would stall
        for (int k = 0; k < 8; ++k) mapped |= uint64_t(e[k]) << (8 * k);
        std::memcpy(out + x, &mapped, 8);
    }
}

// The same with each block of eight keys' entries gathered at once (AVX2).
template <typename Give>
__attribute__((target("avx2"))) void MapRowAvx2(const uint16_t* keys, size_t w, const uint16_t* entries,
                                                uint8_t* out, const Give& give) {
    const __m256i low = _mm256_set1_epi32(0xFFFF), most = _mm256_set1_epi32(0xFF);
    for (size_t x = 0; x < w; x += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(eight, _mm_set1_epi16(short(keys[x])))) == 0xFFFF) {
            const uint16_t e = entries[keys[x]];
            std::memset(out + x, e != kNoEntry ? uint8_t(e) : give(keys[x]), 8);
            continue;
        }
        // Two entries read from each key's place: the low one is its own.
        const __m256i e = _mm256_and_si256(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(entries), _mm256_cvtepu16_epi32(eight), 2),
            low);
        if (_mm256_movemask_epi8(_mm256_cmpgt_epi32(e, most)) != 0) {
            for (size_t k = x; k < x + 8; ++k)
                out[k] = entries[keys[k]] != kNoEntry ? uint8_t(entries[keys[k]]) : give(keys[k]);
            continue;
        }
        const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(e), _mm256_extracti128_si256(e, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(words, words));
    }
}

// Pictures of two layers keep mostly to two lines of keys: the first layer
// alone (the second's coverage 0) and the second over the first at full
// coverage (a fill over its outline). The entries of those keys as bytes,
// each with whether it is known yet, for 64 keys mapped at once.
struct AxisEntries {
    alignas(64) uint8_t alone[128], aloneKnown[128], over[128], overKnown[128];
};

// The two lines' entries and whether each is known, in registers.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline void LoadAxes(
    const AxisEntries& axes, __m512i* alone, __m512i* aloneKnown, __m512i* over, __m512i* overKnown) {
    for (int half = 0; half < 2; ++half) {
        alone[half] = _mm512_load_si512(axes.alone + 64 * half);
        aloneKnown[half] = _mm512_load_si512(axes.aloneKnown + 64 * half);
        over[half] = _mm512_load_si512(axes.over + 64 * half);
        overKnown[half] = _mm512_load_si512(axes.overKnown + 64 * half);
    }
}

// The entries of a row of two layers from their coverages `first` and
// `second` (AVX-512 VBMI): each key is the two coverages cut to seven bits,
// the first layer lowest; 64 pixels at a time from `axes`, those off the
// two lines or without a known entry then one by one, in order (entries
// given where first met), and the lines' entries noted. Reads and writes
// up to 63 pixels past n; the keys there are not looked at.
template <typename Give>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void MapTwoLayersVbmi(const uint8_t* first,
                                                                             const uint8_t* second, size_t n,
                                                                             const uint16_t* entries,
                                                                             uint8_t* out, const Give& give,
                                                                             AxisEntries& axes) {
    const __m512i seven = _mm512_set1_epi8(127), zero = _mm512_setzero_si512();
    __m512i alone[2], aloneKnown[2], over[2], overKnown[2];
    LoadAxes(axes, alone, aloneKnown, over, overKnown);
    for (size_t x = 0; x < n; x += 64) {
        const __m512i low = _mm512_and_si512(_mm512_srli_epi16(_mm512_loadu_si512(first + x), 1), seven);
        const __m512i high = _mm512_and_si512(_mm512_srli_epi16(_mm512_loadu_si512(second + x), 1), seven);
        const __mmask64 onAlone =
            _mm512_cmpeq_epi8_mask(high, zero) &
            _mm512_test_epi8_mask(_mm512_permutex2var_epi8(aloneKnown[0], low, aloneKnown[1]), seven);
        const __mmask64 onOver =
            _mm512_cmpeq_epi8_mask(low, seven) &
            _mm512_test_epi8_mask(_mm512_permutex2var_epi8(overKnown[0], high, overKnown[1]), seven);
        _mm512_storeu_si512(out + x,
                            _mm512_mask_blend_epi8(onAlone, _mm512_permutex2var_epi8(over[0], high, over[1]),
                                                   _mm512_permutex2var_epi8(alone[0], low, alone[1])));
        const uint64_t inRow = n - x >= 64 ? ~uint64_t(0) : (uint64_t(1) << (n - x)) - 1;
        const uint64_t rest = inRow & ~uint64_t(onAlone | onOver);
        if (!rest) continue;
        for (uint64_t r = rest; r; r &= r - 1) {
            const size_t k = x + size_t(__builtin_ctzll(r));
            const uint16_t key = uint16_t((first[k] >> 1) | (second[k] >> 1) << 7);
            const uint8_t e = entries[key] != kNoEntry ? uint8_t(entries[key]) : give(key);
            out[k] = e;
            if (key >> 7 == 0) axes.alone[key] = e, axes.aloneKnown[key] = 1;
            if ((key & 127) == 127) axes.over[key >> 7] = e, axes.overKnown[key >> 7] = 1;
        }
        LoadAxes(axes, alone, aloneKnown, over, overKnown);
    }
}

// The first and one past the last pixel of [from, to) where either layer's
// coverage is at least 2 (a key other than 0 at seven bits); from == to
// when none is.
std::pair<size_t, size_t> InkOfTwoLayers(const uint8_t* first, const uint8_t* second, size_t from,
                                         size_t to) {
    const __m128i one = _mm_set1_epi8(1), zero = _mm_setzero_si128();
    const auto blank = [&](size_t at) {
        const __m128i most = _mm_max_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first + at)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + at)));
        return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(most, one), zero)) == 0xFFFF;
    };
    const auto ink = [&](size_t at) { return first[at] > 1 || second[at] > 1; };
    while (from + 16 <= to && blank(from)) from += 16;
    while (from < to && !ink(from)) ++from;
    while (to >= from + 16 && blank(to - 16)) to -= 16;
    while (to > from && !ink(to - 1)) --to;
    return {from, to};
}

}  // namespace

AssPgsLayers::AssPgsLayers() = default;

bool AssPgsLayers::Quantise(const ASS_Image* images, int width, int height, int frameHeight,
                            PgsObject& object, std::vector<PgsColor>& palette) {
    // Images into layers: a colour joins the layer before it of its colour
    // when it meets no image of the layers after that one.
    std::vector<Layer> layers;
    std::vector<Placed> placed;
    int left = width, top = height, right = 0, bottom = 0;
    for (const ASS_Image* i = images; i; i = i->next) {
        if (i->w <= 0 || i->h <= 0 || (i->color & 0xFF) == 0xFF) continue;
        Placed p{i,
                 -1,
                 std::max(i->dst_x, 0),
                 std::max(i->dst_y, 0),
                 std::min(i->dst_x + i->w, width),
                 std::min(i->dst_y + i->h, height)};
        if (p.right <= p.left || p.bottom <= p.top) continue;
        for (int l = int(layers.size()) - 1; l >= 0 && p.layer < 0; --l) {
            if (layers[size_t(l)].colour == i->color)
                p.layer = l;
            else if (Meets(layers[size_t(l)], p))
                break;
        }
        if (p.layer < 0) {
            if (layers.size() == kMostLayers) return false;
            p.layer = int(layers.size());
            layers.push_back({i->color, p.left, p.top, p.right, p.bottom});
        }
        Layer& l = layers[size_t(p.layer)];
        l.left = std::min(l.left, p.left), l.top = std::min(l.top, p.top);
        l.right = std::max(l.right, p.right), l.bottom = std::max(l.bottom, p.bottom);
        left = std::min(left, p.left), top = std::min(top, p.top);
        right = std::max(right, p.right), bottom = std::max(bottom, p.bottom);
        placed.push_back(p);
    }
    if (placed.empty()) return false;
    const int count = int(layers.size());
    // Keys: each layer's coverage cut to its bits, the first layer lowest.
    int shift[kMostLayers] = {0, 0, 0}, drop[kMostLayers] = {0, 0, 0};
    for (int l = 0, at = 0; l < count; ++l) {
        shift[l] = at;
        drop[l] = 8 - BitsOf(count, l);
        at += BitsOf(count, l);
    }
    // The colour of a key, laid over as libass's images are.
    // Colours are kept between pictures of the same layer colours.
    const Signature signature{
        {layers[0].colour, count > 1 ? layers[1].colour : 0, count > 2 ? layers[2].colour : 0},
        count,
        frameHeight};
    if (!(signature == signature_)) {
        signature_ = signature;
        firstOf_.clear();
        if (++stamp_ == 0) {
            for (KeyColour& c : keyColours_) c.stamp = 0;
            stamp_ = 1;
        }
    }
    // The tables reach as far as the keys of this many layers do.
    const size_t keyCount = size_t(1) << (shift[count - 1] + BitsOf(count, count - 1));
    if (keyColours_.size() < keyCount) {
        keyColours_.resize(keyCount);
        entry_.resize(keyCount + 1, kNoEntry);  // one more: entries are read two at a time
        entry_[0] = 0;
    }
    const auto composed = [&](size_t k) {
        unsigned c[4] = {0, 0, 0, 0};
        for (int l = 0; l < count; ++l) {
            const unsigned levels = (1u << BitsOf(count, l)) - 1;
            const unsigned q = (unsigned(k) >> shift[l]) & levels;
            const unsigned coverage = (q * 255 + levels / 2) / levels;
            const uint32_t colour = layers[size_t(l)].colour;
            const unsigned k2 = coverage * (255 - (colour & 0xFF));
            const unsigned rgba[4] = {colour >> 24, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, 255};
            for (int n = 0; n < 4; ++n) c[n] = (rgba[n] * k2 + c[n] * (65025 - k2) + 32512) / 65025;
        }
        return uint32_t(c[0] << 24 | c[1] << 16 | c[2] << 8 | c[3]);
    };
    // Each key is given its colour's entry where it is first met; a picture
    // of more than 255 colours is left to the caller. A key's colour, the
    // first key of that colour and its palette colour are worked out once
    // for pictures of the same layer colours.
    palette.assign(1, PgsColor{});
    bool fits = true;
    const auto give = [&](uint16_t k) __attribute__((noinline)) {
        given_.push_back(k);
        KeyColour& key = keyColours_[k];
        if (key.stamp != stamp_) {
            key.stamp = stamp_;
            const uint32_t colour = composed(k);
            key.colour = colour;
            const auto [at, added] = firstOf_.emplace(colour, k);
            key.first = at->second;
            if (added) {
                const uint8_t a = uint8_t(colour);
                const auto straight = [&](int shiftBy) {
                    return a ? uint8_t(
                                   std::clamp(double(colour >> shiftBy & 0xFF) * 255.0 / a + 0.5, 0.0, 255.0))
                             : uint8_t(0);
                };
                key.pgs = ToPgsColor(Rgba{straight(24), straight(16), straight(8), a}, frameHeight);
            }
        }
        const uint16_t first = key.first;
        uint8_t entry = 0;
        if ((key.colour & 0xFF) == 0) {
        } else if (entry_[first] != kNoEntry) {
            entry = uint8_t(entry_[first]);
        } else if (palette.size() > kMostEntries) {
            fits = false;
        } else {
            entry = uint8_t(palette.size());
            palette.push_back(keyColours_[first].pgs);
            entry_[first] = entry;
            given_.push_back(first);
        }
        entry_[k] = entry;
        return entry;
    };
    // Row by row, in buffers of one row: the keys and their entries. A
    // layer whose images never overlap each other adds each image's coverage
    // to the keys straight from its bitmap; the others are laid over each
    // other in a row of their own first. Only the columns some image reaches
    // in a row are worked on; the keys are all 0 between rows.
    const size_t w = size_t(right - left), h = size_t(bottom - top);
    // The rows (in the frame) where images of one layer overlap.
    std::vector<std::pair<int, int>> overlaps[kMostLayers];
    if (placed.size() > kMostPairs) {
        for (int l = 0; l < count; ++l) overlaps[l].push_back({top, bottom});
    } else {
        for (size_t a = 0; a < placed.size(); ++a)
            for (size_t b = a + 1; b < placed.size(); ++b)
                if (placed[b].layer == placed[a].layer && Overlap(placed[a], placed[b]))
                    overlaps[placed[a].layer].push_back({std::max(placed[a].top, placed[b].top),
                                                         std::min(placed[a].bottom, placed[b].bottom)});
    }
    // Rows of the layers' coverages, each with room for 64 pixels read past
    // its end.
    const size_t stride = w + 64;
    rows_.resize(stride * size_t(count));
    keys_.assign(w + 16, 0);
    index_.resize(w * h + 64);  // room for 64 entries written past the last
    size_t inkLeft = w, inkRight = 0;
    int inkTop = -1, inkBottom = -1;
    const uint16_t* entries = entry_.data();
    static const bool avx2 = __builtin_cpu_supports("avx2");
    static const bool vbmi = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    // Two layers of seven bits each go by their coverages alone where the
    // CPU has AVX-512 VBMI.
    const bool twoLayerBytes = vbmi && count == 2;
    AxisEntries axes;
    if (twoLayerBytes) {
        std::memset(&axes, 0, sizeof axes);
        axes.aloneKnown[0] = 1;  // key 0: entry 0
    }
    const auto addToKeys = avx2 ? AddToKeysAvx2 : AddToKeys;
    uint16_t* keys = keys_.data();
    // Row `y`'s ink runs from `first` to `last` (none when equal): the ink's
    // bounds grow to it and the codes before it are 0; a row without ink is
    // all 0. The codes past `last` are the caller's to clear once mapped.
    const auto inkRow = [&](size_t y, uint8_t* out, size_t first, size_t last) {
        if (first == last) {
            std::memset(out, 0, w);
            return false;
        }
        if (inkTop < 0) inkTop = int(y);
        inkBottom = int(y);
        inkLeft = std::min(inkLeft, first);
        inkRight = std::max(inkRight, last);
        std::memset(out, 0, first);
        return true;
    };
    for (size_t y = 0; y < h && fits; ++y) {
        const int fy = top + int(y);
        uint8_t* out = index_.data() + y * w;
        size_t reachLeft = w, reachRight = 0;
        for (const Placed& p : placed)
            if (fy >= p.top && fy < p.bottom) {
                reachLeft = std::min(reachLeft, size_t(p.left - left));
                reachRight = std::max(reachRight, size_t(p.right - left));
            }
        if (reachLeft >= reachRight) {
            std::memset(out, 0, w);
            continue;
        }
        const size_t reach = reachRight - reachLeft;
        bool direct[kMostLayers] = {true, true, true};
        for (int l = 0; l < count; ++l)
            for (const auto& [from, to] : overlaps[l]) direct[l] = direct[l] && (fy < from || fy >= to);
        if (twoLayerBytes) {
            // Each layer's coverage in its row, then entries straight from them.
            uint8_t* const layerRows[2] = {rows_.data(), rows_.data() + stride};
            std::memset(layerRows[0] + reachLeft, 0, reach);
            std::memset(layerRows[1] + reachLeft, 0, reach);
            for (const Placed& p : placed) {
                if (fy < p.top || fy >= p.bottom) continue;
                const ASS_Image* i = p.image;
                const uint8_t* src =
                    i->bitmap + size_t(fy - i->dst_y) * size_t(i->stride) + size_t(p.left - i->dst_x);
                uint8_t* row = layerRows[p.layer] + size_t(p.left - left);
                if (direct[p.layer])
                    std::memcpy(row, src, size_t(p.right - p.left));
                else
                    LayOver(row, src, size_t(p.right - p.left));
            }
            const auto [first, last] = InkOfTwoLayers(layerRows[0], layerRows[1], reachLeft, reachRight);
            if (!inkRow(y, out, first, last)) continue;
            MapTwoLayersVbmi(layerRows[0] + first, layerRows[1] + first, last - first, entries, out + first,
                             give, axes);
            std::memset(out + last, 0, w - last);
            continue;
        }
        for (int l = 0; l < count; ++l)
            if (!direct[l]) std::memset(rows_.data() + stride * size_t(l) + reachLeft, 0, reach);
        for (const Placed& p : placed) {
            if (fy < p.top || fy >= p.bottom) continue;
            const ASS_Image* i = p.image;
            const uint8_t* src =
                i->bitmap + size_t(fy - i->dst_y) * size_t(i->stride) + size_t(p.left - i->dst_x);
            const size_t at = size_t(p.left - left), n = size_t(p.right - p.left);
            if (direct[p.layer])
                addToKeys(keys + at, src, n, drop[p.layer], shift[p.layer]);
            else
                LayOver(rows_.data() + stride * size_t(p.layer) + at, src, n);
        }
        for (int l = 0; l < count; ++l)
            if (!direct[l])
                addToKeys(keys + reachLeft, rows_.data() + stride * size_t(l) + reachLeft, reach, drop[l],
                          shift[l]);
        size_t first = reachLeft, last = reachRight;
        while (first + 8 <= last && Uniform(keys + first) && !keys[first]) first += 8;
        while (first < last && !keys[first]) ++first;
        while (last >= first + 8 && Uniform(keys + last - 8) && !keys[last - 8]) last -= 8;
        while (last > first && !keys[last - 1]) --last;
        if (!inkRow(y, out, first, last)) continue;
        // The keys past `last` are 0: the blocks of eight read there map to
        // 0 and are overwritten below.
        if (avx2)
            MapRowAvx2(keys + first, last - first, entries, out + first, give);
        else
            MapRow(keys + first, last - first, entries, out + first, give);
        std::memset(out + last, 0, w - last);
        std::memset(keys + reachLeft, 0, reach * sizeof *keys);
    }
    for (const uint16_t k : given_) entry_[k] = kNoEntry;
    entry_[0] = 0;
    given_.clear();
    if (!fits || inkTop < 0) return false;
    // Cropped to the rows and columns with any coverage.
    const size_t cw = inkRight - inkLeft, ch = size_t(inkBottom - inkTop + 1);
    object.x = left + int(inkLeft);
    object.y = top + inkTop;
    object.width = int(cw);
    object.height = int(ch);
    object.pixels.clear();  // filled row by row, never zeroed first
    object.pixels.reserve(cw * ch);
    for (size_t y = 0; y < ch; ++y) {
        const uint8_t* row = index_.data() + (y + size_t(inkTop)) * w + inkLeft;
        object.pixels.insert(object.pixels.end(), row, row + cw);
    }
    return true;
}

}  // namespace glyphon
