// SPDX-License-Identifier: MIT
#include "document/private/scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "core/cp932.h"

namespace soramie::doc_detail {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t kSpaces = 0x2020202020202020ull;

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

// Eight printable ASCII bytes: no byte >= 0x80 and none < 0x20.
inline bool printableWord(const unsigned char* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return ((w | ((w - kSpaces) & ~w)) & kHighBits) == 0;
}

// Walks the characters of [i, stop), calling onBreak(start of the next line)
// for each break; returns the characters walked. i ends at the first character
// start at or past stop (a pair may end one byte past it, up to end).
template <class OnBreak>
inline std::uint64_t walk(const unsigned char* data, std::uint64_t avail, std::uint64_t& i, std::uint64_t stop,
                          std::uint64_t end, const PairTable& table, OnBreak&& onBreak)
{
    std::uint64_t chars = 0;
    while (i < stop) {
        while (i + 8 <= stop && printableWord(data + i)) {
            i += 8;
            chars += 8;
        }
        if (i >= stop) break;
        const unsigned b = data[i];
        ++chars;
        if (b >= 0x20 && b < 0x80) {
            ++i;
        } else if (b < 0x80) {
            if (b == '\n' || (b == '\r' && (i + 1 >= avail || data[i + 1] != '\n'))) onBreak(i + 1);
            ++i;
        } else {
            const bool pair = cp932::isLeadByte(static_cast<unsigned char>(b)) && i + 1 < end && table.pair(b, data[i + 1]);
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
    // Two independent lanes keep the multiplies from waiting on each other.
    std::uint64_t h0 = 0x243F6A8885A308D3ull ^ (to - from);
    std::uint64_t h1 = 0x13198A2E03707344ull;
    constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
    std::uint64_t i = from;
    for (; i + 16 <= to; i += 16) {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, data + i, 8);
        std::memcpy(&b, data + i + 8, 8);
        h0 = (h0 ^ a) * k;
        h1 = (h1 ^ b) * k;
        h0 ^= h0 >> 29;
        h1 ^= h1 >> 29;
    }
    if (i + 8 <= to) {
        std::uint64_t a;
        std::memcpy(&a, data + i, 8);
        h1 = (h1 ^ a) * k;
        i += 8;
    }
    std::uint64_t tail = 0;
    for (unsigned shift = 0; i < to; ++i, shift += 8) tail |= std::uint64_t{data[i]} << shift;
    h0 = (h0 ^ tail) * k;
    return (h0 ^ (h1 * 0xBF58476D1CE4E5B9ull)) ^ (h0 >> 31);
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
    std::uint64_t breaks = 0;
    const auto onBreak = [&breaks](std::uint64_t) { ++breaks; };
    do {
        const std::uint64_t blockBegin = i;
        r.blocks.push_back({blockBegin, r.chars, breaks, 0});
        r.chars += walk(data, avail, i, std::min(end, blockBegin + kBlockBytes), end, table, onBreak);
        if (withHashes) r.blocks.back().hash = hashBytes(data, blockBegin, i);
    } while (i < end);
    r.breaks = breaks;
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
    const auto onBreak = [&d](std::uint64_t start) { d.lineStarts.push_back(start); };
    while (i < end || d.marks.empty()) {
        d.marks.push_back({i, chars});
        chars += walk(data, avail, i, std::min(end, i + kMarkBytes), end, table, onBreak);
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
