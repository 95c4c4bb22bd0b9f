// SPDX-License-Identifier: MIT
// Line splitting and Japanese line wrapping of the text pane's text.
//
// The routine works on CP932 bytes; the wrap width counts bytes of the encoding.
// It is linear in the length of its input.
#pragma once

#include "core/result.h"
#include "core/text_stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace soramie {

// Characters that must not begin a wrapped line, in their traditional order
// (51 entries; U+FFE0 appears twice).
inline constexpr std::u16string_view kNoLineStartChars =
    u"!%),.:;?]}\uFFE0\u00B0\u2019\"\u2030\u2032\u2033\u2103"
    u"\u3001\u3002\u3005\u3009\u300B\u300D\u300F\u3011\u3015"
    u"\u309B\u309C\u309D\u309E\u30FB\u30FD\u30FE"
    u"\uFF01\uFF05\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF3D\uFF5D"
    u"\uFF61\uFF63\uFF64\uFF65\uFF9E\uFF9F\uFFE0";

// Characters that must not end a wrapped line (22 entries; U+005C and U+FFE1
// appear twice). The quotation mark U+0022 is in both sets.
inline constexpr std::u16string_view kNoLineEndChars =
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

// Re-breaks CP932 text so that no line is longer than `width` bytes, streaming.
// The source lines (separated by CR LF; a lone CR or LF is an ordinary
// character) lose their leading and trailing U+0020 spaces (other white space,
// such as TAB and the full-width space U+3000, is kept) and are cut; a break
// moves back by one character when the next line would begin with a character
// of `noStart`, or else when the line would end with a character of `noEnd`
// after one that is not in it. Blank lines and a final line break are kept.
// Characters keep their bytes exactly, undecodable bytes included; the sets are
// compared with the decoded characters. Holds at most the last two characters
// of the line being cut and a count of pending spaces.
class WrapStream final : public ByteRewriter {
public:
    // `width` must be at least 1 byte (wrapText refuses smaller widths).
    explicit WrapStream(WrapWidth width, std::u16string_view noStart = kNoLineStartChars,
                        std::u16string_view noEnd = kNoLineEndChars);
    ~WrapStream() override;

    struct State;

private:
    std::size_t process(std::string_view window, bool final, std::string& out) override;
    std::unique_ptr<State> s_;
};

// The whole wrapped text of `bytes`; refuses widths below 1.
Result<std::string, WrapError> wrapText(std::string_view bytes, WrapWidth width,
                                        std::u16string_view noStart = kNoLineStartChars,
                                        std::u16string_view noEnd = kNoLineEndChars);

}  // namespace soramie
