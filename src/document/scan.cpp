// SPDX-License-Identifier: MIT
#include "document/private/scan.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/cp932.h"

namespace soramie::doc_detail {

namespace {
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t kSpaces = 0x2020202020202020ull;
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
    std::size_t consumed = 1;
    cp932::decodeOne(std::string_view(reinterpret_cast<const char*>(data + i), 2), consumed);
    return static_cast<int>(consumed);
}

Segment scan(const unsigned char* data, std::uint64_t avail, std::uint64_t begin, std::uint64_t end)
{
    Segment s;
    s.begin = begin;
    s.end = end;
    s.checkpoints.push_back({begin, 0});
    std::uint64_t i = begin;
    std::uint64_t chars = 0;
    while (i < end) {
        if (i >= s.checkpoints.back().byte + kCheckpointBytes) s.checkpoints.push_back({i, chars});
        const std::uint64_t stop = std::min(end, s.checkpoints.back().byte + kCheckpointBytes);
        while (i < stop) {
            // Eight printable ASCII bytes at a time: no byte >= 0x80 and none < 0x20.
            while (i + 8 <= stop) {
                std::uint64_t w;
                std::memcpy(&w, data + i, 8);
                if (((w | ((w - kSpaces) & ~w)) & kHighBits) != 0) break;
                i += 8;
                chars += 8;
            }
            if (i >= stop) break;
            const unsigned b = data[i];
            if (b >= 0x20 && b < 0x80) {
                ++i;
                ++chars;
                continue;
            }
            if (b < 0x80) {
                if (b == '\n' || (b == '\r' && (i + 1 >= avail || data[i + 1] != '\n'))) s.breaks.push_back(i + 1);
                ++i;
                ++chars;
                continue;
            }
            i += static_cast<std::uint64_t>(charBytes(data, i, end));
            ++chars;
        }
    }
    s.chars = chars;
    return s;
}

std::uint64_t charOf(const unsigned char* data, const Segment& seg, std::uint64_t b)
{
    auto it = std::upper_bound(seg.checkpoints.begin(), seg.checkpoints.end(), b,
                               [](std::uint64_t v, const Checkpoint& c) { return v < c.byte; });
    const Checkpoint& cp = *std::prev(it);
    std::uint64_t pos = cp.byte;
    std::uint64_t chars = cp.chars;
    while (pos < b) {
        const auto n = static_cast<std::uint64_t>(charBytes(data, pos, seg.end));
        if (pos + n > b) break;
        pos += n;
        ++chars;
    }
    return chars;
}

std::uint64_t byteOf(const unsigned char* data, const Segment& seg, std::uint64_t chars)
{
    auto it = std::upper_bound(seg.checkpoints.begin(), seg.checkpoints.end(), chars,
                               [](std::uint64_t v, const Checkpoint& c) { return v < c.chars; });
    const Checkpoint& cp = *std::prev(it);
    std::uint64_t pos = cp.byte;
    for (std::uint64_t k = cp.chars; k < chars && pos < seg.end; ++k) {
        pos += static_cast<std::uint64_t>(charBytes(data, pos, seg.end));
    }
    return pos;
}

}  // namespace soramie::doc_detail
