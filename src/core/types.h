// SPDX-License-Identifier: MIT
// Strong types for the three kinds of numbers that mix in a text viewer:
// byte offsets into CP932 bytes, character positions in UTF-16 text (one unit per
// CP932 character or undecodable byte) and line numbers. All are 0-based.
#pragma once

#include <compare>
#include <cstdint>

namespace soramie {

template <class Tag>
struct Index {
    std::uint64_t value = 0;
    constexpr Index() = default;
    constexpr explicit Index(std::uint64_t v) : value(v) {}
    constexpr auto operator<=>(const Index&) const = default;
    constexpr Index operator+(std::uint64_t n) const { return Index(value + n); }
    constexpr Index operator-(std::uint64_t n) const { return Index(value - n); }
    constexpr std::uint64_t operator-(Index o) const { return value - o.value; }
};

using ByteOffset = Index<struct ByteOffsetTag>;
using CharPos = Index<struct CharPosTag>;
using LineNo = Index<struct LineNoTag>;

}  // namespace soramie
