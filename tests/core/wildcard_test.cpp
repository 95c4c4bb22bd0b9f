// SPDX-License-Identifier: MIT
#include "core/wildcard.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

using soramie::wildcard::compareNames;
using soramie::wildcard::matches;
using soramie::wildcard::nameLess;

// The wildcard fuzz target holds the matcher to a direct reading of its rules;
// these cases pin the rules themselves.
TEST(Wildcard, MatchesWholeCharactersFoldingOnlyAsciiLettersAndStarDotStarMatchesEveryName)
{
    const struct {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.TXT", "notes.Txt", true},
        {"*.txt", "a.txt.bak", false},
        {"?.txt", "\xE3\x83\xAD.txt", true},                // ロ.txt: one character, three bytes
        {"?", "\xFF", true},                                // an invalid byte is one character
        {"\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", false},  // É vs é stay different
        {"*.*", "README", true},
        {"readme.*", "readme", true},
        {"readme.*", "readme2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.name);
        EXPECT_EQ(matches(c.pattern, c.name), c.match);
    }
    EXPECT_TRUE(matches(u"?.txt", u"\U0001F600.txt")) << "a surrogate pair is one character";
    EXPECT_FALSE(matches(u"ｔｘｔ", u"ＴＸＴ"));
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
