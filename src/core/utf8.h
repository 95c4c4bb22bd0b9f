// SPDX-License-Identifier: MIT
// Strict UTF-8: the encoding of the terminal, of command-line arguments and of
// file names. The one UTF-8 reader and writer of the window-free code.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace soramie::utf8 {

// Reads the code point that starts at s[i] (i < s.size()) and advances i past
// it. Returns nullopt (advancing i by one byte) for a malformed sequence: a stray
// continuation byte, an overlong form, a surrogate, a value above U+10FFFF or a
// truncated sequence.
std::optional<char32_t> nextCodePoint(std::string_view s, std::size_t& i);

// The whole of s as UTF-16 (pairs above U+FFFF), or nullopt when s is malformed.
std::optional<std::u16string> toUtf16(std::string_view s);

// Writes the 1 to 4 bytes of the code point c (at most U+10FFFF, not a
// surrogate) at d, which has room for them, and advances d past them.
inline void put(char32_t c, char*& d)
{
    if (c < 0x80) {
        *d++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *d++ = static_cast<char>(0xC0 | (c >> 6));
        *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *d++ = static_cast<char>(0xE0 | (c >> 12));
        *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *d++ = static_cast<char>(0xF0 | (c >> 18));
        *d++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *d++ = static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Appends the bytes of the code point c (as for put) to out.
inline void append(char32_t c, std::string& out)
{
    char bytes[4];
    char* end = bytes;
    put(c, end);
    out.append(bytes, static_cast<std::size_t>(end - bytes));
}

}  // namespace soramie::utf8
