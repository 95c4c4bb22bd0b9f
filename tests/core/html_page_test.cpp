// SPDX-License-Identifier: MIT
#include "core/html_page.h"

#include "core/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

const std::u16string kHead =
    u"<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n";
const std::u16string kTail = u"</BODY>\r\n</HTML>";

TEST(HtmlPage, EscapesOnlyAngleBracketsAndEndsWithoutALineBreak) {
    EXPECT_EQ(HtmlPage(u"a<b>c&d\"e"), kHead + u"a&lt;b&gt;c&d\"e<BR>\r\n" + kTail);
}

TEST(HtmlPage, EveryLineGetsABreakTagAndAFinalLineBreakGivesAnEmptyLine) {
    EXPECT_EQ(HtmlPage(u"one\r\ntwo\r\n"), kHead + u"one<BR>\r\ntwo<BR>\r\n<BR>\r\n" + kTail);
    EXPECT_EQ(HtmlPage(u""), kHead + u"<BR>\r\n" + kTail);
}

TEST(HtmlPage, LoneCarriageReturnSplitsButLoneLineFeedStaysInTheLine) {
    EXPECT_EQ(HtmlPage(u"a\nb\n"), kHead + u"a\nb\n<BR>\r\n" + kTail);
    EXPECT_EQ(HtmlPage(u"a\rb"), kHead + u"a<BR>\r\nb<BR>\r\n" + kTail);
    EXPECT_EQ(HtmlPage(u"a\r"), kHead + u"a<BR>\r\n<BR>\r\n" + kTail);
    EXPECT_EQ(HtmlPage(u"\r\r\n"), kHead + u"<BR>\r\n<BR>\r\n<BR>\r\n" + kTail);
}

TEST(HtmlPage, AppendKeepsWhatIsAlreadyInTheOutput) {
    std::u16string out = u"x";
    appendHtmlPage(u"y", out);
    EXPECT_EQ(out, u"x" + kHead + u"y<BR>\r\n" + kTail);
}

TEST(HtmlPageBytes, KeepsEverySourceByteIncludingUndecodableOnes) {
    // 0x81 0x3C: a lead byte whose would-be trail is "<"; 0xED 0x40 has another
    // code in the encoder's choice; 0xFF and a lone lead byte at the end.
    const std::string source = "\x81<\xED\x40\x82\xA0>\r\n\xFF\x83";
    std::string page;
    appendHtmlPageBytes(source, page);
    const std::string expected =
        "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n"
        "\x81&lt;\xED\x40\x82\xA0&gt;<BR>\r\n\xFF\x83<BR>\r\n</BODY>\r\n</HTML>";
    EXPECT_EQ(page, expected);
    EXPECT_EQ(cp932::decode(page), HtmlPage(cp932::decode(source)));
}

}  // namespace
}  // namespace soramie
