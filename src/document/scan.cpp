// SPDX-License-Identifier: MIT
#include "document/private/scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/cp932.h"

namespace soramie::doc_detail {

namespace {

// Whether a lead byte and the byte after it decode as one character, for every
// pair: one bit each, filled once from the decoder.
struct PairTable {
    std::array<std::uint64_t, 65536 / 64> bits{};
    PairTable()
    {
        for (unsigned lead = 0x80; lead < 0x100; ++lead) {
            if (!cp932::isLeadByte(static_cast<unsigned char>(lead))) continue;
            for (unsigned trail = 0; trail < 0x100; ++trail) {
                const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::size_t consumed = 1;
                cp932::decodeOne(std::string_view(two, 2), consumed);
                if (consumed == 2) bits[(lead << 8 | trail) >> 6] |= std::uint64_t{1} << (trail & 63);
            }
        }
    }
    bool pair(unsigned lead, unsigned trail) const { return (bits[(lead << 8 | trail) >> 6] >> (trail & 63)) & 1; }
};

const PairTable& pairs()
{
    static const PairTable table;
    return table;
}

// Where breaks end lines: counted, or their following line starts recorded.
struct CountBreaks {
    std::uint64_t n = 0;
    void at(std::uint64_t) { ++n; }
    // Bit k of ends set: the byte at base + k ends a line.
    void mask(std::uint64_t, unsigned ends)
    {
        // Bits set in a 16-bit mask, without a library call.
        ends = ends - ((ends >> 1) & 0x5555u);
        ends = (ends & 0x3333u) + ((ends >> 2) & 0x3333u);
        ends = (ends + (ends >> 4)) & 0x0F0Fu;
        n += (ends + (ends >> 8)) & 0x1Fu;
    }
};
struct RecordBreaks {
    std::vector<std::uint64_t>& starts;
    void at(std::uint64_t start) { starts.push_back(start); }
    void mask(std::uint64_t base, unsigned ends)
    {
        for (; ends != 0; ends &= ends - 1) starts.push_back(base + static_cast<unsigned>(__builtin_ctz(ends)) + 1);
    }
};

// Walks the characters of [i, stop), telling breaks the breaks; returns the
// characters walked. i ends at the first character start at or past stop (a
// pair may end one byte past it, up to end).
template <class Breaks>
inline std::uint64_t walk(const unsigned char* data, std::uint64_t avail, std::uint64_t& i, std::uint64_t stop,
                          std::uint64_t end, const PairTable& table, Breaks& breaks)
{
    std::uint64_t chars = 0;
    while (i < stop) {
#if defined(__SSE2__)
        // Sixteen bytes below 0x80 at a time: one character each; LFs and CRs
        // not followed by an LF end lines.
        const __m128i lfs = _mm_set1_epi8('\n');
        const __m128i crs = _mm_set1_epi8('\r');
        while (i + 16 <= stop) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            const auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
            const unsigned ascii = high == 0 ? 16u : static_cast<unsigned>(__builtin_ctz(high));
            const unsigned keep = ascii == 16 ? 0xFFFFu : (1u << ascii) - 1;
            const auto lf = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lfs))) & keep;
            const auto cr = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, crs))) & keep;
            if ((lf | cr) != 0) {
                const bool lfAfter = ascii == 16 && i + 16 < avail && data[i + 16] == '\n';
                breaks.mask(i, lf | (cr & ~((lf >> 1) | (lfAfter ? 0x8000u : 0u))));
            }
            i += ascii;
            chars += ascii;
            if (ascii < 16) break;
        }
#endif
        if (i >= stop) break;
        const unsigned b = data[i];
        ++chars;
        if (b >= 0x20 && b < 0x80) {
            ++i;
        } else if (b < 0x80) {
            if (b == '\n' || (b == '\r' && (i + 1 >= avail || data[i + 1] != '\n'))) breaks.at(i + 1);
            ++i;
        } else {
            const bool pair =
                cp932::isLeadByte(static_cast<unsigned char>(b)) && i + 1 < end && table.pair(b, data[i + 1]);
            i += pair ? 2u : 1u;
        }
    }
    return chars;
}

}  // namespace

std::uint64_t findSync(const unsigned char* data, std::uint64_t from, std::uint64_t to)
{
    for (std::uint64_t i = from; i < to; ++i) {
        if (data[i] < 0x40) return i;
    }
    return to;
}

int charBytes(const unsigned char* data, std::uint64_t i, std::uint64_t limit)
{
    if (!cp932::isLeadByte(data[i]) || i + 1 >= limit) return 1;
    return pairs().pair(data[i], data[i + 1]) ? 2 : 1;
}

std::uint64_t hashBytes(const unsigned char* data, std::uint64_t from, std::uint64_t to)
{
    // Four independent lanes of (h ^ word) * k: an odd multiplier makes each
    // step a bijection, so a change of any one word always changes the sum.
    constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
    std::uint64_t h[4] = {0x243F6A8885A308D3ull ^ (to - from), 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                          0x082EFA98EC4E6C89ull};
    std::uint64_t i = from;
    for (; i + 32 <= to; i += 32) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            std::uint64_t w;
            std::memcpy(&w, data + i + 8 * lane, 8);
            h[lane] = (h[lane] ^ w) * k;
        }
    }
    for (int lane = 0; i + 8 <= to; i += 8, ++lane) {
        std::uint64_t w;
        std::memcpy(&w, data + i, 8);
        h[lane] = (h[lane] ^ w) * k;
    }
    std::uint64_t tail = 0;
    for (unsigned shift = 0; i < to; ++i, shift += 8) tail |= std::uint64_t{data[i]} << shift;
    std::uint64_t sum = (h[0] ^ tail) * k;
    for (int lane = 1; lane < 4; ++lane) sum = ((sum ^ (sum >> 29)) ^ h[lane]) * k;
    return sum ^ (sum >> 32);
}

ScannedRange scan(const unsigned char* data, std::uint64_t avail, std::uint64_t begin, std::uint64_t end,
                  bool withHashes)
{
    const PairTable& table = pairs();
    ScannedRange r;
    r.begin = begin;
    r.end = end;
    r.blocks.reserve(static_cast<std::size_t>((end - begin) / kBlockBytes + 1));
    std::uint64_t i = begin;
    CountBreaks breaks;
    do {
        const std::uint64_t blockBegin = i;
        r.blocks.push_back({blockBegin, r.chars, breaks.n, 0});
        r.chars += walk(data, avail, i, std::min(end, blockBegin + kBlockBytes), end, table, breaks);
        if (withHashes) r.blocks.back().hash = hashBytes(data, blockBegin, i);
    } while (i < end);
    r.breaks = breaks.n;
    return r;
}

BlockDetail scanDetail(const unsigned char* data, std::uint64_t avail, std::uint64_t begin, std::uint64_t end)
{
    const PairTable& table = pairs();
    BlockDetail d;
    d.begin = begin;
    d.end = end;
    d.marks.reserve(static_cast<std::size_t>((end - begin) / kMarkBytes + 1));
    std::uint64_t i = begin;
    std::uint64_t chars = 0;
    RecordBreaks breaks{d.lineStarts};
    while (i < end || d.marks.empty()) {
        d.marks.push_back({i, chars});
        chars += walk(data, avail, i, std::min(end, i + kMarkBytes), end, table, breaks);
        if (i >= end) break;
    }
    d.hash = hashBytes(data, begin, end);
    return d;
}

std::uint64_t charOf(const unsigned char* data, const BlockDetail& d, std::uint64_t b)
{
    auto it = std::upper_bound(d.marks.begin(), d.marks.end(), b,
                               [](std::uint64_t v, const BlockDetail::Mark& m) { return v < m.byte; });
    const BlockDetail::Mark& m = *std::prev(it);
    std::uint64_t pos = m.byte;
    std::uint64_t chars = m.chars;
    while (pos < b) {
        const auto n = static_cast<std::uint64_t>(charBytes(data, pos, d.end));
        if (pos + n > b) break;
        pos += n;
        ++chars;
    }
    return chars;
}

std::uint64_t byteOf(const unsigned char* data, const BlockDetail& d, std::uint64_t chars)
{
    auto it = std::upper_bound(d.marks.begin(), d.marks.end(), chars,
                               [](std::uint64_t v, const BlockDetail::Mark& m) { return v < m.chars; });
    const BlockDetail::Mark& m = *std::prev(it);
    std::uint64_t pos = m.byte;
    for (std::uint64_t k = m.chars; k < chars && pos < d.end; ++k) {
        pos += static_cast<std::uint64_t>(charBytes(data, pos, d.end));
    }
    return pos;
}

}  // namespace soramie::doc_detail
