// SPDX-License-Identifier: MIT
#include "core/html_page.h"

namespace soramie {
namespace {

constexpr std::string_view kHead =
    "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n";
constexpr std::string_view kLineEnd = "<BR>\r\n";
constexpr std::string_view kTail = "</BODY>\r\n</HTML>";

// Page bytes for `source`: "&lt;"/"&gt;" add 3 per angle, each break becomes at
// most 6 bytes and the last line adds one more "<BR>\r\n".
std::size_t pageLength(std::string_view source)
{
    std::size_t extra = 0;
    for (const char c : source) {
        if (c == '<' || c == '>') extra += 3;
        else if (c == '\r') extra += kLineEnd.size();
    }
    return kHead.size() + source.size() + extra + kLineEnd.size() + kTail.size();
}

}  // namespace

std::size_t HtmlPageStream::process(std::string_view window, bool final, std::string& out)
{
    if (!started_) {
        out.append(kHead);
        started_ = true;
    }
    const std::size_t n = window.size();
    const char* const d = window.data();
    std::size_t run = 0;  // start of the bytes not yet copied
    std::size_t i = 0;
    for (; i < n; ++i) {
        const char c = d[i];
        if (c != '<' && c != '>' && c != '\r') continue;
        out.append(d + run, i - run);
        if (c == '<') {
            out.append("&lt;");
        } else if (c == '>') {
            out.append("&gt;");
        } else {
            if (i + 1 == n && !final) return i;  // CR LF or a lone CR: decided by the next byte
            out.append(kLineEnd);
            if (i + 1 < n && d[i + 1] == '\n') ++i;
        }
        run = i + 1;
    }
    out.append(d + run, n - run);
    if (final) {
        out.append(kLineEnd);
        out.append(kTail);
    }
    return n;
}

void appendHtmlPageBytes(std::string_view sourceBytes, std::string& out)
{
    out.reserve(out.size() + pageLength(sourceBytes));
    HtmlPageStream page;
    page.feed(sourceBytes, out);
    page.finish(out);
}

}  // namespace soramie
