// SPDX-License-Identifier: MIT
#include "core/utf8.h"

namespace soramie::utf8 {

std::optional<char32_t> nextCodePoint(std::string_view s, std::size_t& i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    ++i;
    if (b < 0x80) return b;
    std::size_t more;
    char32_t c;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
        more = 1, c = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        more = 2, c = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        more = 3, c = b & 0x07, min = 0x10000;
    } else {
        return std::nullopt;
    }
    if (s.size() - i < more) return std::nullopt;
    for (std::size_t k = 0; k < more; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (t & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    i += more;
    return c;
}

std::optional<std::u16string> toUtf16(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = nextCodePoint(s, i);
        if (!c) return std::nullopt;
        if (*c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((*c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((*c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(*c));
        }
    }
    return out;
}

}  // namespace soramie::utf8
