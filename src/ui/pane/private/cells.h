// SPDX-License-Identifier: MIT
// Internal to the text pane: how characters take cells. A character takes one
// cell per CP932 byte; a TAB runs to the next multiple of kTabCells.
#pragma once

#include <QString>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>

#include "core/cp932.h"

namespace soramie::pane_detail {

// Lines longer than this get cell checkpoints so that seeks stay cheap.
inline constexpr std::uint64_t kLongLine = std::uint64_t{16} * 1024;
inline constexpr std::uint64_t kTabCells = 8;

// One decoded character of a line and the bytes it takes.
struct Glyph {
    char16_t unit = 0;
    int bytes = 1;
};

inline Glyph glyphAt(std::string_view line, std::size_t i)
{
    std::size_t n = 1;
    const char16_t u = cp932::decodeOne(line.substr(i), n);
    return {u, static_cast<int>(n)};
}

// Cells g takes when it starts at cell.
inline std::uint64_t cellsOf(const Glyph& g, std::uint64_t cell)
{
    if (g.unit == u'\t') return kTabCells - cell % kTabCells;
    return static_cast<std::uint64_t>(g.bytes);
}

inline std::u16string_view unitsOf(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// Bytes (and cells) the text takes in CP932 ('?' for a character without a code).
inline std::uint64_t encodedLength(std::u16string_view text)
{
    std::uint64_t n = 0;
    for (const char16_t u : text) n += cp932::codeOf(u) > 0xFF ? 2 : 1;
    return n;
}

// Cells of the first `units` units of text.
inline std::uint64_t cellsOfText(const QString& text, int units) { return encodedLength(unitsOf(text.left(units))); }

// A scroll bar value: v, or INT_MAX when v is larger.
inline int clampInt(std::uint64_t v) { return static_cast<int>(std::min<std::uint64_t>(v, INT_MAX)); }

}  // namespace soramie::pane_detail
