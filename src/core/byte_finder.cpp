// SPDX-License-Identifier: MIT
#include "core/byte_finder.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace soramie {
namespace {

// Rough frequency rank of bytes in Japanese text and logs (higher = more
// common). Only the order matters: the probes are the two rarest needle bytes.
constexpr std::array<std::uint8_t, 256> kRank = [] {
    std::array<std::uint8_t, 256> r{};
    for (int b = 0; b < 256; ++b) {
        std::uint8_t v = 60;               // symbols, other trail bytes
        if (b < 0x20 || b == 0x7F) v = 5;  // control bytes
        if (b >= 'A' && b <= 'Z') v = 110;
        if (b >= '0' && b <= '9') v = 170;
        if (b >= 'a' && b <= 'z') v = 180;
        if (b >= 0xA1 && b <= 0xDF) v = 100;                                // half-width katakana, trail bytes
        if ((b >= 0x88 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEA)) v = 140;  // kanji lead bytes
        if (b >= 0x81 && b <= 0x83) v = 230;                                // kana and symbol lead bytes
        if (b == 0x80 || b == 0xA0 || b >= 0xFD) v = 10;                    // single bytes seldom written
        r[static_cast<std::size_t>(b)] = v;
    }
    for (const char c : {' ', '\t', '\r', '\n'}) r[static_cast<unsigned char>(c)] = 255;
    for (const char c : {'.', ',', ':', '/', '-', '=', '[', ']', '_'}) r[static_cast<unsigned char>(c)] = 160;
    return r;
}();

std::uint8_t rankAt(const std::string& s, std::size_t i) { return kRank[static_cast<unsigned char>(s[i])]; }

}  // namespace

ByteFinder::ByteFinder(std::string needle) : needle_(std::move(needle))
{
    const std::size_t k = needle_.size();
    if (k < 2) return;
    // The rarest byte first, then the rarest at another offset, preferring a
    // different value so that runs of one byte do not pair with themselves.
    for (std::size_t i = 1; i < k; ++i) {
        if (rankAt(needle_, i) < rankAt(needle_, first_)) first_ = i;
    }
    second_ = first_ == 0 ? 1 : 0;
    for (std::size_t i = 0; i < k; ++i) {
        if (i == first_) continue;
        const bool distinct = needle_[i] != needle_[first_];
        const bool secondDistinct = needle_[second_] != needle_[first_];
        if ((distinct && !secondDistinct) ||
            (distinct == secondDistinct && rankAt(needle_, i) < rankAt(needle_, second_))) {
            second_ = i;
        }
    }
}

const char* ByteFinder::find(const char* hay, std::size_t size) const
{
    const std::size_t k = needle_.size();
    if (k == 0) return hay;
    if (size < k) return nullptr;
    if (k == 1) return static_cast<const char*>(std::memchr(hay, needle_[0], size));
    std::size_t i = 0;
#if defined(__SSE2__)
    // i is the candidate start; both probes lie inside hay while i + k <= size.
    const __m128i a = _mm_set1_epi8(needle_[first_]);
    const __m128i b = _mm_set1_epi8(needle_[second_]);
    for (; i + 16 + k - 1 <= size; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + first_));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + second_));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(y, b))));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (std::memcmp(hay + at, needle_.data(), k) == 0) return hay + at;
            mask &= mask - 1;
        }
    }
#endif
    for (; i + k <= size; ++i) {
        if (hay[i + first_] == needle_[first_] && hay[i + second_] == needle_[second_] &&
            std::memcmp(hay + i, needle_.data(), k) == 0) {
            return hay + i;
        }
    }
    return nullptr;
}

}  // namespace soramie
