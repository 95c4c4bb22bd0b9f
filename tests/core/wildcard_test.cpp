// SPDX-License-Identifier: MIT
#include "core/wildcard.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using soramie::wildcard::compareNames;
using soramie::wildcard::matches;
using soramie::wildcard::nameLess;

TEST(Wildcard, ExtensionPatternsMatchAnyLetterCaseAndNothingElse) {
    EXPECT_TRUE(matches("*.txt", "a.txt"));
    EXPECT_TRUE(matches("*.txt", "README.TXT"));
    EXPECT_TRUE(matches("*.TXT", "notes.Txt"));
    EXPECT_TRUE(matches("*.txt", ".txt"));
    EXPECT_TRUE(matches("*.txt", "a.b.txt"));
    EXPECT_FALSE(matches("*.txt", "a.txt.bak"));
    EXPECT_FALSE(matches("*.txt", "atxt"));
    EXPECT_FALSE(matches("*.txt", "a.tx"));
    EXPECT_FALSE(matches("*.log", "a.txt"));
    EXPECT_FALSE(matches("*.txt", ""));
}

TEST(Wildcard, QuestionMarkTakesExactlyOneCharacterEvenWhenItIsMultibyte) {
    EXPECT_TRUE(matches("a?c", "abc"));
    EXPECT_FALSE(matches("a?c", "ac"));
    EXPECT_FALSE(matches("a?c", "abbc"));
    EXPECT_TRUE(matches("?.txt", "\xE3\x83\xAD.txt"));   // ロ.txt: one character, three bytes
    EXPECT_FALSE(matches("??.txt", "\xE3\x83\xAD.txt"));
    // A star must not stop inside a multibyte character and leave its tail
    // bytes to be counted as characters.
    EXPECT_FALSE(matches("*??", "\xE2\x82\xAC"));  // €
    EXPECT_TRUE(matches("*?", "\xE2\x82\xAC"));
    EXPECT_TRUE(matches(u"?.txt", u"\U0001F600.txt"));  // a surrogate pair is one character
    EXPECT_FALSE(matches(u"??.txt", u"\U0001F600.txt"));
    EXPECT_TRUE(matches("?", "\xFF"));  // an invalid byte counts as one character
}

TEST(Wildcard, OnlyAsciiLettersIgnoreCase) {
    EXPECT_TRUE(matches("ABC", "abc"));
    EXPECT_FALSE(matches("\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9"));  // É vs é stay different
    EXPECT_FALSE(matches(u"ｔｘｔ", u"ＴＸＴ"));
    EXPECT_FALSE(matches("[", "{"));  // 0x5B and 0x7B are not letters
}

TEST(Wildcard, TrailingDotStarAlsoMatchesNamesWithoutExtension) {
    EXPECT_TRUE(matches("*.*", "README"));
    EXPECT_TRUE(matches("*.*", "a.txt"));
    EXPECT_TRUE(matches("*.*", ".git"));
    EXPECT_TRUE(matches("readme.*", "readme"));
    EXPECT_TRUE(matches("readme.*", "README.md"));
    EXPECT_FALSE(matches("readme.*", "readme2"));
    EXPECT_TRUE(matches(u"*.*", u"ログ"));
}

TEST(Wildcard, StarsBacktrackWithoutBlowingUp) {
    EXPECT_TRUE(matches("*a*b*c", "xxaxxbxxc"));
    EXPECT_FALSE(matches("*a*b*c", "xxaxxcxxb"));
    EXPECT_TRUE(matches("**", ""));
    EXPECT_TRUE(matches("a**b", "ab"));
    // Exponential backtracking would never finish this.
    const std::string name(5000, 'a');
    EXPECT_FALSE(matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*", name));
}

TEST(Wildcard, NamesListInFoldedOrderAndTheOrderIsTotal) {
    std::vector<std::string> names{"b.txt", "_x.txt", "A.txt", "a.txt", "B.txt", "a.TXT", "10.txt", "9.txt"};
    std::sort(names.begin(), names.end(), nameLess);
    // Letters fold to upper case, so '_' (0x5F) sorts after them; exact ties
    // fall back to the bytes (upper case first).
    const std::vector<std::string> expected{"10.txt", "9.txt", "A.txt", "a.TXT", "a.txt", "B.txt", "b.txt", "_x.txt"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(compareNames("abc", "abc"), 0);
    EXPECT_LT(compareNames("ab", "abc"), 0);
    EXPECT_GT(compareNames("\xE3\x81\x82", "z"), 0);  // non-ASCII after ASCII
}
