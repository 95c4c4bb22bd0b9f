// SPDX-License-Identifier: MIT
// Hand-picked cases; tests/core/text_routines_reference_test.cpp compares the
// page with the literal export steps on random texts.
#include "core/html_page.h"

#include "core/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

const std::string kHead = "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n";
const std::string kTail = "</BODY>\r\n</HTML>";

std::u16string ascii(const std::string& s) { return {s.begin(), s.end()}; }

TEST(HtmlPage, EscapesAngleBracketsAndBreaksEveryLine)
{
    const struct {
        std::u16string_view in;
        std::string body;
    } cases[] = {
        {u"a<b>c&d\"e", "a&lt;b&gt;c&d\"e<BR>\r\n"},            // only < and > are escaped
        {u"one\r\ntwo\r\n", "one<BR>\r\ntwo<BR>\r\n<BR>\r\n"},  // a final break gives an empty line
        {u"a\nb\n", "a\nb\n<BR>\r\n"},                          // a lone LF stays in the line
        {u"a\rb", "a<BR>\r\nb<BR>\r\n"},                        // a lone CR splits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(HtmlPage(c.in), ascii(kHead + c.body + kTail));
    }
    std::u16string out = u"x";
    appendHtmlPage(u"y", out);
    EXPECT_EQ(out, ascii("x" + kHead + "y<BR>\r\n" + kTail)) << "append keeps what is there";
}

TEST(HtmlPageBytes, KeepsEverySourceByteIncludingUndecodableOnes)
{
    // 0x81 0x3C: a lead byte whose would-be trail is "<"; 0xED 0x40 has another
    // code in the encoder's choice; 0xFF and a lone lead byte at the end.
    const std::string source = "\x81<\xED\x40\x82\xA0>\r\n\xFF\x83";
    std::string page;
    appendHtmlPageBytes(source, page);
    EXPECT_EQ(page, kHead + "\x81&lt;\xED\x40\x82\xA0&gt;<BR>\r\n\xFF\x83<BR>\r\n" + kTail);
    EXPECT_EQ(cp932::decode(page), HtmlPage(cp932::decode(source)));
}

}  // namespace
}  // namespace soramie
