// SPDX-License-Identifier: MIT
// Line splitting and Japanese line wrapping of the text pane's text.
//
// Text is UTF-16 with one unit per CP932 character (core/cp932.h); the wrap
// width counts bytes of the CP932 encoding. Every routine here is linear in the
// length of its input.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soramie {

// Characters that must not begin a wrapped line, in their traditional order
// (51 entries; U+FFE0 appears twice).
inline constexpr std::u16string_view NoStartChars =
    u"!%),.:;?]}\uFFE0\u00B0\u2019\"\u2030\u2032\u2033\u2103"
    u"\u3001\u3002\u3005\u3009\u300B\u300D\u300F\u3011\u3015"
    u"\u309B\u309C\u309D\u309E\u30FB\u30FD\u30FE"
    u"\uFF01\uFF05\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF3D\uFF5D"
    u"\uFF61\uFF63\uFF64\uFF65\uFF9E\uFF9F\uFFE0";

// Characters that must not end a wrapped line (22 entries; U+005C and U+FFE1
// appear twice). The quotation mark U+0022 is in both sets.
inline constexpr std::u16string_view NoEndChars =
    u"$([\\{\uFFE1\\\u2018\"\u3008\u300A\u300C\u300E\u3010\u3014"
    u"\uFF04\uFF08\uFF3B\uFF5B\uFF62\uFFE1\uFFE5";

// The greatest length of a wrapped line in CP932 bytes. A line may come out one
// byte longer when a double-byte character starts at its last byte.
struct WrapWidth {
    std::int32_t bytes = 0;
};

enum class WrapError {
    WidthBelowOne,  // a width of 0 or less would lose text
};

// The pieces of `text` between occurrences of `delimiter` (an empty delimiter
// gives the whole text as one piece), each with leading and trailing U+0020 spaces removed. A text ending
// with the delimiter yields a final empty piece; an empty text yields one empty
// piece. Other white space (TAB, the full-width space U+3000) is kept. The views
// point into `text`.
std::vector<std::u16string_view> SplitLines(std::u16string_view text, std::u16string_view delimiter);

// Re-breaks `text` so that no line is longer than `width` bytes: the source
// lines (separated by CR LF; a lone CR or LF is an ordinary character) are
// trimmed as by SplitLines and cut; a break moves back by one character when the
// next line would begin with a character of `noStart`, or else when the line
// would end with a character of `noEnd` after one that is not in it. Blank lines
// and a final line break are kept. Refuses widths below 1.
Result<std::u16string, WrapError> WrapText(std::u16string_view text, WrapWidth width,
                                           std::u16string_view noStart = NoStartChars,
                                           std::u16string_view noEnd = NoEndChars);

}  // namespace soramie
