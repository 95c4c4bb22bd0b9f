// SPDX-License-Identifier: MIT
#include "core/html_page.h"

#include <algorithm>

namespace soramie {
namespace {

constexpr std::string_view kHead =
    "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n";
constexpr std::string_view kLineEnd = "<BR>\r\n";
constexpr std::string_view kTail = "</BODY>\r\n</HTML>";
constexpr std::string_view kLt = "&lt;";
constexpr std::string_view kGt = "&gt;";

template <class Char>
bool isMarkup(Char c)
{
    return c == Char('<') || c == Char('>') || c == Char('\r');
}

// Appends ASCII markup to a string of either character type.
template <class String>
void appendAscii(String& out, std::string_view ascii)
{
    out.append(ascii.begin(), ascii.end());
}

template <class Char>
std::size_t pageLength(std::basic_string_view<Char> source)
{
    std::size_t angles = 0;
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const Char c = source[i];
        if (c == Char('<') || c == Char('>')) {
            ++angles;
        } else if (c == Char('\r')) {
            ++breaks;
            if (i + 1 < source.size() && source[i + 1] == Char('\n')) ++i;
        }
    }
    return htmlPageLength(source.size(), angles, breaks);
}

template <class Char>
void appendPage(std::basic_string_view<Char> source, std::basic_string<Char>& out)
{
    out.reserve(out.size() + pageLength(source));
    appendAscii(out, kHead);
    std::size_t run = 0;  // start of the characters not yet copied
    const std::size_t n = source.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Char c = source[i];
        if (!isMarkup(c)) continue;
        out.append(source.data() + run, i - run);
        if (c == Char('<')) {
            appendAscii(out, kLt);
        } else if (c == Char('>')) {
            appendAscii(out, kGt);
        } else {
            appendAscii(out, kLineEnd);
            if (i + 1 < n && source[i + 1] == Char('\n')) ++i;
        }
        run = i + 1;
    }
    out.append(source.data() + run, n - run);
    appendAscii(out, kLineEnd);
    appendAscii(out, kTail);
}

}  // namespace

std::size_t htmlPageLength(std::size_t sourceLength, std::size_t angles, std::size_t breaks)
{
    // "&lt;"/"&gt;" add 3 per angle; a break of 1 or 2 characters becomes 6, counted
    // generously as 6 each; the final line adds one more "<BR>\r\n".
    return kHead.size() + sourceLength + 3 * angles + kLineEnd.size() * (breaks + 1) + kTail.size();
}

std::u16string HtmlPage(std::u16string_view source)
{
    std::u16string page;
    appendHtmlPage(source, page);
    return page;
}

void appendHtmlPage(std::u16string_view source, std::u16string& out) { appendPage(source, out); }

void appendHtmlPageBytes(std::string_view sourceBytes, std::string& out) { appendPage(sourceBytes, out); }

}  // namespace soramie
