// SPDX-License-Identifier: MIT
// Hand-picked cases; tests/core/text_routines_reference_test.cpp compares the
// routines with the literal algorithms on random texts.
#include "core/replace.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

TEST(ChrReplace, EscapesInBothModesWithoutRescanningInsertedText)
{
    const struct {
        std::u16string_view subject, from, to;
        bool normal;
        std::u16string_view out;
    } cases[] = {
        {u"aaa", u"aa", u"b", true, u"ba"},
        {u"a ab", u"a", u"ab", true, u"ab abb"},
        {u"x&amp;y&z", u"&", u"&amp;", false, u"x&amp;y&amp;z"},  // keeps existing ones
        {u"a ab", u"a", u"ab", false, u"ab ab"},
        {u"aa", u"a", u"ba", false, u"baba"},  // sees a replacement it just inserted
        {u"abc", u"", u"x", true, u"abc"},
        {u"a-b-c", u"-", u"", false, u"abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(chrReplace(c.subject, c.from, c.to, c.normal), c.out);
    }
    const std::u16string once = chrReplace(u"&&amp;&", u"&", u"&amp;", false);
    EXPECT_EQ(chrReplace(once, u"&", u"&amp;", false), once) << "running it again changes nothing";
}

TEST(RangeReplace, ReplacesEachStretchWithItsMarkersAndCountsThem)
{
    const struct {
        std::u16string_view text, start, end, with, out;
        std::size_t count;
    } cases[] = {
        {u"x[a]y[b]z", u"[", u"]", u"-", u"x-y-z", 2},
        {u"x|a|b|y", u"|", u"|", u"-", u"x-a-b-y", 3},
        {u"[[a]]", u"[", u"]", u"-", u"-]", 1},
        {u"x[", u"[", u"]]]", u"-", u"x-", 1},    // no end marker: its length goes
        {u"xaby", u"ab", u"b", u"-", u"x-y", 1},  // end overlaps start
        {u"[a][b]", u"[", u"]", u"[x]", u"[x][x]", 2},
        {u"abc", u"[", u"]", u"-", u"abc", 0},
        {u"abc", u"", u"]", u"", u"abc", 0},   // empty markers replace nothing
        {u"a[b", u"[", u"", u"-", u"a[b", 0},  // instead of looping forever
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::u16string text(c.text);
        EXPECT_EQ(rangeReplace(text, c.start, c.end, c.with), c.count);
        EXPECT_EQ(text, c.out);
    }
}

}  // namespace
}  // namespace soramie
