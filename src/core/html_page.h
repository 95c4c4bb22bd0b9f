// SPDX-License-Identifier: MIT
// The minimal HTML page that the export writes for a text file.
//
// The page is, each line ending in CR LF but the last:
//   <HTML> / <HEAD> / <TITLE></TITLE> / </HEAD> / <BODY bgcolor=#ffffff text=#000000>
//   one line per body line: the line with "<" and ">" escaped as "&lt;" and "&gt;",
//     followed by "<BR>"
//   </BODY> / </HTML>   (no line break after the final ">")
// Body lines are the source cut at each CR LF and at each lone CR, plus one more
// line after the last terminator's end: a source without a final line break gets
// "<BR>" after its last line, a source that ends with a line break gets one extra
// empty "<BR>" line, and an empty source gives exactly one "<BR>" line. A lone LF
// stays inside its line. Nothing else is escaped.
//
// The page is built from the source's CP932 bytes: "<", ">", CR and LF are never
// trail bytes of a CP932 character, so a byte-wise scan is exact and every source
// character keeps its bytes (undecodable bytes included). Linear in the source.
#pragma once

#include "core/text_stream.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace soramie {

// The page as a stream: source bytes in, page bytes out. Holds back at most a
// CR whose next byte has not come yet.
class HtmlPageStream final : public ByteRewriter {
private:
    std::size_t process(std::string_view window, bool final, std::string& out) override;
    bool started_ = false;
};

// Appends the whole page of `sourceBytes` to `out`, reserving what it needs first.
void appendHtmlPageBytes(std::string_view sourceBytes, std::string& out);

}  // namespace soramie
