// SPDX-License-Identifier: MIT
// File-name wildcards and the listing order of directory entries.
//
// The matcher is what the file list and the folder walk use instead of the
// platform's enumeration patterns, so that every platform filters alike.
#pragma once

#include <string_view>

namespace soramie::wildcard {

// True when `name` matches `pattern`:
// - '*' matches any run of characters, the empty run included;
// - '?' matches exactly one character (one UTF-8 sequence, one UTF-16 character
//   with surrogate pairs counted as one; an invalid byte counts as one);
// - every other character matches itself, ASCII letters without regard to case
//   ("*.TXT" matches "a.txt"); non-ASCII characters must match exactly;
// - a pattern ending in ".*" also matches names without that dot, as on Windows:
//   "*.*" matches every name, "readme.*" matches "readme".
// Names are UTF-8 (the file-name bytes) or UTF-16. Runs in O(|pattern|·|name|)
// time at worst, no recursion, no allocation.
bool matches(std::string_view pattern, std::string_view name);
bool matches(std::u16string_view pattern, std::u16string_view name);

// Listing order of names in a folder: compared code unit by code unit with ASCII
// letters folded to upper case (the order an NTFS folder lists), ties broken by
// the unfolded bytes so the order is total. Returns <0, 0 or >0.
int compareNames(std::string_view a, std::string_view b);
inline bool nameLess(std::string_view a, std::string_view b) { return compareNames(a, b) < 0; }

}  // namespace soramie::wildcard
