// SPDX-License-Identifier: MIT
// Strong types for the three kinds of numbers that mix in a text viewer:
// byte offsets into CP932 bytes, character positions in UTF-16 text (one unit per
// CP932 character or undecodable byte) and line numbers (all 0-based), and the
// counts of each.
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

// A number of bytes, characters or lines: the size of a range of the matching
// offsets, never an offset itself.
template <class Tag>
struct Count {
    std::uint64_t value = 0;
    constexpr Count() = default;
    constexpr explicit Count(std::uint64_t v) : value(v) {}
    constexpr auto operator<=>(const Count&) const = default;
};

using ByteOffset = Index<struct ByteTag>;
using CharPos = Index<struct CharTag>;
using LineNo = Index<struct LineTag>;
using ByteCount = Count<struct ByteTag>;
using CharCount = Count<struct CharTag>;
using LineCount = Count<struct LineTag>;

}  // namespace soramie
