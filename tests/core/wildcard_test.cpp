// SPDX-License-Identifier: MIT
#include "core/wildcard.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

using soramie::wildcard::compareNames;
using soramie::wildcard::matches;
using soramie::wildcard::nameLess;

TEST(Wildcard, MatchesUtf8NamesByCharacterFoldingOnlyAsciiLetters)
{
    const struct {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.txt", "README.TXT", true},
        {"*.TXT", "notes.Txt", true},
        {"*.txt", ".txt", true},
        {"*.txt", "a.b.txt", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "atxt", false},
        {"*.log", "a.txt", false},
        {"*.txt", "", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"?.txt", "\xE3\x83\xAD.txt", true},  // ロ.txt: one character, three bytes
        {"??.txt", "\xE3\x83\xAD.txt", false},
        {"*??", "\xE2\x82\xAC", false},  // a star must not stop inside €
        {"*?", "\xE2\x82\xAC", true},
        {"?", "\xFF", true},                                // an invalid byte is one character
        {"\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", false},  // É vs é stay different
        {"[", "{", false},                                  // 0x5B and 0x7B are not letters
        {"*.*", "README", true},                            // a trailing ".*" also matches names without extension
        {"*.*", ".git", true},
        {"readme.*", "readme", true},
        {"readme.*", "README.md", true},
        {"readme.*", "readme2", false},
        {"*a*b*c", "xxaxxbxxc", true},
        {"*a*b*c", "xxaxxcxxb", false},
        {"**", "", true},
        {"a**b", "ab", true},
        // A broken sequence in a pattern never matches half of a character, wherever the stars fall.
        {"*\xC9*\x84", "\xC9\x84", false},
        {"*\xC9\x84*", "x\xC9\x84", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.name);
        EXPECT_EQ(matches(c.pattern, c.name), c.match);
    }
    EXPECT_TRUE(matches(u"?.txt", u"\U0001F600.txt")) << "a surrogate pair is one character";
    EXPECT_FALSE(matches(u"??.txt", u"\U0001F600.txt"));
    EXPECT_FALSE(matches(u"ｔｘｔ", u"ＴＸＴ"));
    EXPECT_TRUE(matches(u"*.*", u"ログ"));
}

TEST(Wildcard, StarsBacktrackWithoutBlowingUp)
{
    // Exponential backtracking would never finish this.
    const std::string name(5000, 'a');
    EXPECT_FALSE(matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*", name));
}

TEST(Wildcard, NamesListInFoldedOrderAndTheOrderIsTotal)
{
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
