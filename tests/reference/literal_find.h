// SPDX-License-Identifier: MIT
// The literal keyword search the document's finder must agree with: decode the
// bytes one character at a time from the start, then try the keyword at every
// character. Quadratic; for short texts only.
#pragma once

#include "core/cp932.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace soramie::reference {

// [from, to) byte ranges of every occurrence of keyword in the decoded bytes,
// in order, overlapping ones included. With foldAscii, A-Z equals a-z.
inline std::vector<std::pair<std::uint64_t, std::uint64_t>> literalMatches(std::string_view bytes,
                                                                           std::u16string_view keyword, bool foldAscii)
{
    std::u16string units;
    std::vector<std::uint64_t> starts;  // byte offset of each unit, then the end
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t used = 0;
        units.push_back(cp932::decodeOne(bytes.substr(at), used));
        starts.push_back(at);
        at += used;
    }
    starts.push_back(bytes.size());
    const auto lower = [](char16_t u) -> char16_t { return u >= u'A' && u <= u'Z' ? u + 32 : u; };
    const auto same = [&](char16_t a, char16_t b) {
        return a == b || (foldAscii && lower(a) == lower(b) && a < 0x80 && b < 0x80);
    };
    std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
    if (keyword.empty()) return out;
    for (std::size_t i = 0; i + keyword.size() <= units.size(); ++i) {
        bool all = true;
        for (std::size_t j = 0; j < keyword.size() && all; ++j) all = same(units[i + j], keyword[j]);
        if (all) out.emplace_back(starts[i], starts[i + keyword.size()]);
    }
    return out;
}

}  // namespace soramie::reference
