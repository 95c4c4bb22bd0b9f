// SPDX-License-Identifier: MIT
// Strict UTF-8, the encoding of the terminal and of command-line arguments.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace soramie::cli {

// Reads the code point that starts at s[i] and advances i past it. Returns
// nullopt (advancing i by one byte) for a malformed sequence: a stray
// continuation byte, an overlong form, a surrogate, a value above U+10FFFF or a
// truncated sequence.
std::optional<char32_t> nextCodePoint(std::string_view s, std::size_t& i);

// The whole of s as UTF-16 (pairs above U+FFFF), or nullopt when s is malformed.
std::optional<std::u16string> utf8ToUtf16(std::string_view s);

void appendUtf8(char32_t c, std::string& out);

}  // namespace soramie::cli
