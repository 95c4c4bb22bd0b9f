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
// stays inside its line. Nothing else is escaped. Linear in the source's length.
#pragma once

#include <string>
#include <string_view>

namespace soramie {

// The page's text for the decoded source text.
std::u16string HtmlPage(std::u16string_view source);
// Appends the page's text to `out` (reserving what it needs first).
void appendHtmlPage(std::u16string_view source, std::u16string& out);

// The page's CP932 bytes built straight from the source's CP932 bytes, for large
// files: each source character keeps its bytes exactly (undecodable bytes
// included), so decoding the result gives HtmlPage(decode(sourceBytes)). The
// markup bytes "<", ">", CR and LF are never trail bytes of a CP932 character,
// which makes the byte-wise scan exact.
void appendHtmlPageBytes(std::string_view sourceBytes, std::string& out);

// Number of bytes (or UTF-16 units) of the page for a source whose length is
// `sourceLength` with `angles` "<" or ">" and `breaks` line terminators (CR LF
// or lone CR): what the append functions reserve.
std::size_t htmlPageLength(std::size_t sourceLength, std::size_t angles, std::size_t breaks);

}  // namespace soramie
