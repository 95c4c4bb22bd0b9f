// SPDX-License-Identifier: MIT
// Hand-picked cases; tests/core/text_routines_reference_test.cpp compares the
// routines with the literal algorithms on random texts.
#include "core/wrap.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

std::u16string wrap(std::u16string_view text, std::int32_t width = 20)
{
    auto r = WrapText(text, WrapWidth{width});
    EXPECT_TRUE(r.ok());
    return r.ok() ? *r : std::u16string(u"<error>");
}

TEST(WrapCharSets, HoldTheListedCharactersInOrderWithTheirRepeats)
{
    EXPECT_EQ(NoStartChars.size(), 51u);
    EXPECT_EQ(NoEndChars.size(), 22u);
    EXPECT_EQ(NoStartChars.front(), u'!');
    EXPECT_EQ(NoStartChars[10], u'\uFFE0');
    EXPECT_EQ(NoStartChars.back(), u'\uFFE0');
    EXPECT_EQ(NoEndChars[3], u'\\');
    EXPECT_EQ(NoEndChars.back(), u'\uFFE5');
    EXPECT_NE(NoStartChars.find(u'"'), std::u16string_view::npos);
    EXPECT_NE(NoEndChars.find(u'"'), std::u16string_view::npos);
}

TEST(SplitLines, TrimsSpacesOnlyAndKeepsAFinalEmptyPiece)
{
    EXPECT_EQ(SplitLines(u"  a b  \r\n\r\n\t x\u3000 \r\n", u"\r\n"),
              (std::vector<std::u16string_view>{u"a b", u"", u"\t x\u3000", u""}));  // TAB and U+3000 stay
    EXPECT_EQ(SplitLines(u"", u"\r\n").size(), 1u);
    EXPECT_EQ(SplitLines(u"a\nb\rc", u"\r\n").size(), 1u);
    EXPECT_EQ(SplitLines(u" a ", u""), std::vector<std::u16string_view>{u"a"});
}

TEST(WrapText, BreaksByBytesAndKeepsLineBreakRules)
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
        {"two opening brackets stay together", u"ab((", 4, u"ab(("},
        {"source lines are trimmed", u"  abc  ", 20, u"abc"},
        {"continuation lines are not", u"ab cd", 2, u"ab\r\n c\r\nd"},
        {"blank lines and the final break stay", u"a\r\n\r\nb\r\n", 20, u"a\r\n\r\nb\r\n"},
        {"lone CR", u"ab\rcd", 3, u"ab\r\r\ncd"},
        {"undecodable bytes count one byte",
         u"a\xDC81"
         u"b\xDCFF",
         2, u"a\xDC81\r\nb\xDCFF"},
        {"width 1 still takes a double-byte character", u"あい", 1, u"あ\r\nい"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wrap(c.in, c.width), c.out);
    }
}

TEST(WrapText, RefusesWidthsBelowOne)
{
    EXPECT_FALSE(WrapText(u"abc", WrapWidth{0}).ok());
    EXPECT_EQ(WrapText(u"abc", WrapWidth{-5}).error(), WrapError::WidthBelowOne);
}

TEST(WrapText, WrapsTextsWithMoreLinesThanASixteenBitCount)
{
    std::u16string text;
    std::u16string expected;
    for (int i = 0; i < 70000; ++i) {
        text += u"abcdef\r\n";
        expected += u"abc\r\ndef\r\n";
    }
    EXPECT_EQ(wrap(text, 3), expected);
}

}  // namespace
}  // namespace soramie
