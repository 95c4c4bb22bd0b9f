// SPDX-License-Identifier: MIT
#include "core/replace.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

struct RangeOutcome {
    std::u16string text;
    std::size_t count;
    bool operator==(const RangeOutcome&) const = default;
};

RangeOutcome range(std::u16string text, std::u16string_view s, std::u16string_view e, std::u16string_view r) {
    const std::size_t count = rangeReplace(text, s, e, r);
    return {text, count};
}

TEST(ChrReplace, EscapesWithoutRescanningInsertedText) {
    EXPECT_EQ(chrReplace(u"a<b>c", u"<", u"&lt;", true), u"a&lt;b>c");
    EXPECT_EQ(chrReplace(u"aaa", u"aa", u"b", true), u"ba");
    EXPECT_EQ(chrReplace(u"aa", u"a", u"aa", true), u"aaaa");
    EXPECT_EQ(chrReplace(u"a ab", u"a", u"ab", true), u"ab abb");
}

TEST(ChrReplace, KeepExistingLeavesOccurrencesInsideTheReplacementAlone) {
    EXPECT_EQ(chrReplace(u"x&amp;y&z", u"&", u"&amp;", false), u"x&amp;y&amp;z");
    EXPECT_EQ(chrReplace(u"a ab", u"a", u"ab", false), u"ab ab");
    EXPECT_EQ(chrReplace(u"abb", u"b", u"ab", false), u"abb");
    // Running it again on its own output changes nothing.
    const std::u16string once = chrReplace(u"&&amp;&", u"&", u"&amp;", false);
    EXPECT_EQ(once, u"&amp;&amp;&amp;");
    EXPECT_EQ(chrReplace(once, u"&", u"&amp;", false), once);
}

TEST(ChrReplace, KeepExistingSeesAReplacementItJustInserted) {
    // After "a" -> "ba" at the start, the scan resumes after the inserted text;
    // the window for the next "a" reaches back into it only through `inside`.
    EXPECT_EQ(chrReplace(u"aa", u"a", u"ba", false), u"baba");
    EXPECT_EQ(chrReplace(u"ba", u"a", u"ba", false), u"ba");
}

TEST(ChrReplace, EmptyFromReturnsTheSubjectAndEmptyToDeletes) {
    EXPECT_EQ(chrReplace(u"abc", u"", u"x", true), u"abc");
    EXPECT_EQ(chrReplace(u"a-b-c", u"-", u"", true), u"abc");
    EXPECT_EQ(chrReplace(u"a-b-c", u"-", u"", false), u"abc");
    EXPECT_EQ(chrReplace(u"", u"a", u"b", true), u"");
}

TEST(RangeReplace, ReplacesEachStretchWithItsMarkersAndCountsThem) {
    EXPECT_EQ(range(u"x[a]y[b]z", u"[", u"]", u"-"), (RangeOutcome{u"x-y-z", 2}));
    EXPECT_EQ(range(u"x|a|b|y", u"|", u"|", u"-"), (RangeOutcome{u"x-a-b-y", 3}));
    EXPECT_EQ(range(u"x[a]y", u"[", u"]", u""), (RangeOutcome{u"xy", 1}));
    EXPECT_EQ(range(u"[[a]]", u"[", u"]", u"-"), (RangeOutcome{u"-]", 1}));
}

TEST(RangeReplace, WithoutAnEndMarkerReplacesTheEndMarkersLength) {
    EXPECT_EQ(range(u"x[a", u"[", u"]", u"-"), (RangeOutcome{u"x-a", 1}));
    EXPECT_EQ(range(u"x[", u"[", u"]]]", u"-"), (RangeOutcome{u"x-", 1}));
    EXPECT_EQ(range(u"]x[a", u"[", u"]", u"-"), (RangeOutcome{u"]x-a", 1}));
}

TEST(RangeReplace, EndMarkerMayOverlapTheStartMarker) {
    EXPECT_EQ(range(u"xaby", u"ab", u"b", u"-"), (RangeOutcome{u"x-y", 1}));
}

TEST(RangeReplace, NeverSearchesTheReplacementAgain) {
    EXPECT_EQ(range(u"[a][b]", u"[", u"]", u"[x]"), (RangeOutcome{u"[x][x]", 2}));
}

TEST(RangeReplace, AbsentStartMarkerLeavesTheTextAndCountsZero) {
    EXPECT_EQ(range(u"abc", u"[", u"]", u"-"), (RangeOutcome{u"abc", 0}));
    EXPECT_EQ(range(u"", u"[", u"]", u"-"), (RangeOutcome{u"", 0}));
}

TEST(RangeReplace, EmptyMarkersReplaceNothingInsteadOfLoopingForever) {
    EXPECT_EQ(range(u"abc", u"", u"]", u""), (RangeOutcome{u"abc", 0}));
    EXPECT_EQ(range(u"a[b", u"[", u"", u"-"), (RangeOutcome{u"a[b", 0}));
}

}  // namespace
}  // namespace soramie
