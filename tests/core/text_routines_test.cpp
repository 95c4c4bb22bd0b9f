// SPDX-License-Identifier: MIT
// Hand-picked cases of the byte-level text routines. The fuzz targets' corpus
// replays compare them with the literal algorithms, fed in chunks cut anywhere.
#include "core/cp932.h"
#include "core/html_page.h"
#include "core/replace.h"
#include "core/wrap.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

std::string sjis(std::u16string_view text) { return cp932::encode(text).bytes; }

TEST(WrapText, BreaksByBytesAndKeepsTheLineBreakRules)
{
    const struct {
        const char* name;
        std::u16string_view in;
        std::int32_t width;
        std::u16string_view out;
    } cases[] = {
        {"full width", u"あいうえおかきくけこさしすせそ", 20, u"あいうえおかきくけこ\r\nさしすせそ"},
        {"closing mark stays with the character before", u"あいうえおかきくけこ。さ", 20,
         u"あいうえおかきくけ\r\nこ。さ"},
        {"opening bracket moves down", u"あいうえおかきくけ「こさ", 20, u"あいうえおかきくけ\r\n「こさ"},
        {"a line ending in an opening bracket", u"abc（", 20, u"abc\r\n（"},
        {"source lines are trimmed, U+3000 and TAB are kept", u"  abc  \r\n\u3000\tx ", 20, u"abc\r\n\u3000\tx"},
        {"continuation lines are not", u"ab cd", 2, u"ab\r\n c\r\nd"},
        {"blank lines and the final break stay", u"a\r\n\r\nb\r\n", 20, u"a\r\n\r\nb\r\n"},
        {"lone CR", u"ab\rcd", 3, u"ab\r\r\ncd"},
        {"width 1 still takes a double-byte character", u"あい", 1, u"あ\r\nい"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto wrapped = WrapText(sjis(c.in), WrapWidth{c.width});
        ASSERT_TRUE(wrapped.ok());
        EXPECT_EQ(*wrapped, sjis(c.out));
    }
    EXPECT_EQ(WrapText("abc", WrapWidth{0}).error(), WrapError::WidthBelowOne);
    EXPECT_EQ(*WrapText("a\x81 b\xFF\x83", WrapWidth{2}), "a\x81\r\n b\r\n\xFF\x83") << "undecodable bytes kept";
}

TEST(ChrReplace, EscapesInBothModesWithoutRescanningInsertedText)
{
    const struct {
        std::u16string_view subject, from, to;
        bool normal;
        std::u16string_view out;
    } cases[] = {
        {u"aaa", u"aa", u"b", true, u"ba"},
        {u"x&amp;y&z", u"&", u"&amp;", false, u"x&amp;y&amp;z"},  // keeps existing ones
        {u"aa", u"a", u"ba", false, u"baba"},                     // sees a replacement it just inserted
        {u"abc", u"", u"x", true, u"abc"},
        {u"ー[ー", u"[", u"・", true, u"ー・ー"},  // ー is 0x81 0x5B: its trail byte is not a "["
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(chrReplace(sjis(c.subject), c.from, c.to, c.normal), sjis(c.out));
    }
}

TEST(ChrReplace, FindsEveryCodeOfACharacterAndKeepsTheBytesOfWhatItDoesNotReplace)
{
    // ∵ is 0x81E6 and NEC 0x879A; 0xED40 (NEC-selected IBM) is written 0xFA5C by
    // the encoder; 0x81 0x20 is an undecodable byte and a space.
    EXPECT_EQ(chrReplace("\x81\xE6-\x87\x9A", u"∵", u"x", true), "x-x");
    EXPECT_EQ(chrReplace("\xED\x40\x81 a", u"a", u"b", true), "\xED\x40\x81 b");
    EXPECT_EQ(chrReplace("a\x81 a", u"\xDC81", u"?", true), "a? a");
}

TEST(RangeReplace, ReplacesEachStretchWithItsMarkersAndCountsThem)
{
    const struct {
        std::u16string_view text, start, end, with, out;
        std::size_t count;
    } cases[] = {
        {u"x[a]y[b]z", u"[", u"]", u"-", u"x-y-z", 2},
        {u"x|a|b|y", u"|", u"|", u"-", u"x-a-b-y", 3},
        {u"x[", u"[", u"]]]", u"-", u"x-", 1},      // no end marker: its length goes
        {u"x[abc", u"[", u"]]", u"-", u"x-bc", 1},  // counted in characters
        {u"xaby", u"ab", u"b", u"-", u"x-y", 1},    // end overlaps start
        {u"]x[a", u"[", u"]", u"-", u"]x-a", 1},    // an end marker before the start is not used
        {u"「ー」[あ]", u"[", u"]", u"", u"「ー」", 1},
        {u"abc", u"", u"]", u"", u"abc", 0},  // empty markers replace nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const RangeReplaceResult r = rangeReplace(sjis(c.text), c.start, c.end, c.with);
        EXPECT_EQ(r.bytes, sjis(c.out));
        EXPECT_EQ(r.count, c.count);
    }
}

TEST(HtmlPage, EscapesAngleBracketsBreaksEveryLineAndKeepsEverySourceByte)
{
    const std::string head =
        "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n";
    const std::string tail = "</BODY>\r\n</HTML>";
    const struct {
        std::string in, body;
    } cases[] = {
        {"a<b>c&d\"e", "a&lt;b&gt;c&d\"e<BR>\r\n"},            // only < and > are escaped
        {"one\r\ntwo\r\n", "one<BR>\r\ntwo<BR>\r\n<BR>\r\n"},  // a final break gives an empty line
        {"a\nb\n", "a\nb\n<BR>\r\n"},                          // a lone LF stays in the line
        {"a\rb", "a<BR>\r\nb<BR>\r\n"},                        // a lone CR splits
        {"", "<BR>\r\n"},
        {"\x81<\xED\x40\xFF\x83", "\x81&lt;\xED\x40\xFF\x83<BR>\r\n"},  // undecodable and duplicate codes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        std::string page;
        appendHtmlPageBytes(c.in, page);
        EXPECT_EQ(page, head + c.body + tail);
    }
}

}  // namespace
}  // namespace soramie
