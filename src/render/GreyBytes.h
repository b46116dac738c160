// Rows of coverage bytes combined sixteen at a time where the processor has
// SSE2 (every x86-64 one), a byte at a time elsewhere: the grey-level
// drawing touches every pixel of its boxes a few times per subtitle.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace glyphon {

// dst = max(dst, src).
inline void MaxBytes(uint8_t* dst, const uint8_t* src, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_max_epu8(a, b));
    }
#endif
    for (; i < n; ++i) dst[i] = std::max(dst[i], src[i]);
}

// dst = min(dst + src, cap).
inline void AddBytesCapped(uint8_t* dst, const uint8_t* src, size_t n, uint8_t cap) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi8(char(cap));
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_min_epu8(_mm_adds_epu8(a, b), c));
    }
#endif
    for (; i < n; ++i) dst[i] = uint8_t(std::min(dst[i] + src[i], int(cap)));
}

// out = p (p + 1) / 2 + t with p = max(o, t): the index of the pair (t, o)
// (an outline never covers less than its glyphs), for coverage up to 21 (the
// result stays within a byte).
inline void PairIndices(uint8_t* out, const uint8_t* t, const uint8_t* o, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi16(1);
    for (; i + 16 <= n; i += 16) {
        const __m128i tv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        const __m128i ov = _mm_max_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(o + i)), tv);
        const __m128i lo = _mm_unpacklo_epi8(ov, zero), hi = _mm_unpackhi_epi8(ov, zero);
        const __m128i triLo = _mm_srli_epi16(_mm_mullo_epi16(lo, _mm_add_epi16(lo, one)), 1);
        const __m128i triHi = _mm_srli_epi16(_mm_mullo_epi16(hi, _mm_add_epi16(hi, one)), 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_add_epi8(_mm_packus_epi16(triLo, triHi), tv));
    }
#endif
    for (; i < n; ++i) {
        const unsigned tv = t[i], ov = std::max<unsigned>(o[i], tv);
        out[i] = uint8_t(((ov * (ov + 1)) >> 1) + tv);
    }
}

}  // namespace glyphon
