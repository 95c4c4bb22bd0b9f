// SPDX-License-Identifier: MIT
#include "core/wrap.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

std::u16string wrap(std::u16string_view text, std::int32_t width = 20) {
    auto r = WrapText(text, WrapWidth{width});
    EXPECT_TRUE(r.ok());
    return r.ok() ? *r : std::u16string(u"<error>");
}

TEST(WrapCharSets, HoldTheListedCharactersInOrderWithTheirRepeats) {
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

TEST(SplitLines, TrimsSpacesOnlyAndKeepsAFinalEmptyPiece) {
    const auto pieces = SplitLines(u"  a b  \r\n\r\n\t x\u3000 \r\n", u"\r\n");
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], u"a b");
    EXPECT_EQ(pieces[1], u"");
    EXPECT_EQ(pieces[2], u"\t x\u3000");  // TAB and the full-width space stay
    EXPECT_EQ(pieces[3], u"");
    EXPECT_EQ(SplitLines(u"", u"\r\n").size(), 1u);
    EXPECT_EQ(SplitLines(u"\r\n", u"\r\n").size(), 2u);
    EXPECT_EQ(SplitLines(u"a\nb\rc", u"\r\n").size(), 1u);
    EXPECT_EQ(SplitLines(u" a ", u""), std::vector<std::u16string_view>{u"a"});
}

TEST(WrapText, BreaksFullWidthLinesAtTheWidthInBytes) {
    EXPECT_EQ(wrap(u"あいうえおかきくけこさしすせそ"), u"あいうえおかきくけこ\r\nさしすせそ");
    // The tenth full-width character starts at byte 20: it still fits.
    EXPECT_EQ(wrap(u"aあいうえおかきくけこ"), u"aあいうえおかきくけこ");
    EXPECT_EQ(wrap(u"abcdefghij", 4), u"abcd\r\nefgh\r\nij");
    // Half-width katakana take one byte.
    EXPECT_EQ(wrap(u"ｱｲｳｴｵ", 4), u"ｱｲｳｴ\r\nｵ");
}

TEST(WrapText, KeepsAClosingMarkWithTheCharacterBeforeIt) {
    EXPECT_EQ(wrap(u"あいうえおかきくけこ。さ"), u"あいうえおかきくけ\r\nこ。さ");
    // No move when the last character itself must not begin a line.
    EXPECT_EQ(wrap(u"あいうえおかきくけ、。さ"), u"あいうえおかきくけ、\r\n。さ");
}

TEST(WrapText, MovesAnOpeningBracketToTheNextLine) {
    EXPECT_EQ(wrap(u"あいうえおかきくけ「こさ"), u"あいうえおかきくけ\r\n「こさ");
    // Also on a line that fits.
    EXPECT_EQ(wrap(u"abc（"), u"abc\r\n（");
    // Two opening brackets in a row stay together.
    EXPECT_EQ(wrap(u"ab((", 4), u"ab((");
}

TEST(WrapText, TrimsSourceLinesButNotContinuationLines) {
    EXPECT_EQ(wrap(u"  abc  "), u"abc");
    EXPECT_EQ(wrap(u"    "), u"");
    EXPECT_EQ(wrap(u"ab cd", 2), u"ab\r\n c\r\nd");
}

TEST(WrapText, KeepsBlankLinesAndTheFinalLineBreak) {
    EXPECT_EQ(wrap(u""), u"");
    EXPECT_EQ(wrap(u"a\r\n"), u"a\r\n");
    EXPECT_EQ(wrap(u"a\r\n\r\nb"), u"a\r\n\r\nb");
    EXPECT_EQ(wrap(u"\r\n"), u"\r\n");
}

TEST(WrapText, TreatsLoneLineFeedsAndCarriageReturnsAsOrdinaryCharacters) {
    EXPECT_EQ(wrap(u"ab\ncd\nef", 4), u"ab\nc\r\nd\nef");
    EXPECT_EQ(wrap(u"ab\rcd", 3), u"ab\r\r\ncd");
}

TEST(WrapText, UndecodableBytesCountOneByteAndStay) {
    const std::u16string raw{u'a', u'\xDC81', u'b', u'\xDCFF'};
    EXPECT_EQ(wrap(raw, 2), std::u16string({u'a', u'\xDC81', u'\r', u'\n', u'b', u'\xDCFF'}));
}

TEST(WrapText, RefusesWidthsBelowOne) {
    EXPECT_FALSE(WrapText(u"abc", WrapWidth{0}).ok());
    EXPECT_EQ(WrapText(u"abc", WrapWidth{-5}).error(), WrapError::WidthBelowOne);
    EXPECT_EQ(wrap(u"abc", 1), u"a\r\nb\r\nc");
    // Width 1 still takes a whole double-byte character per line.
    EXPECT_EQ(wrap(u"あい", 1), u"あ\r\nい");
}

TEST(WrapText, WrapsTextsWithMoreLinesThanASixteenBitCount) {
    std::u16string text;
    for (int i = 0; i < 70000; ++i) text += u"abcdef\r\n";
    const std::u16string out = wrap(text, 3);
    std::u16string expected;
    for (int i = 0; i < 70000; ++i) expected += u"abc\r\ndef\r\n";
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace soramie
