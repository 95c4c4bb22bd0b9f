// SPDX-License-Identifier: MIT
// The small text helpers: paths, the wrap sets, the HTML page, configured
// command lines and file-name wildcards.
#include "core/command_line.h"
#include "core/cp932.h"
#include "core/html_page.h"
#include "core/paths.h"
#include "core/wildcard.h"
#include "core/wrap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace soramie {
namespace {

std::string sjis(std::u16string_view text) { return cp932::encode(text).bytes; }

using Words = std::vector<std::u16string>;

TEST(joinPath, PutsOneSeparatorUnlessTheFolderAlreadyEndsWithIt)
{
    EXPECT_EQ(joinPath("C:\\", "a.txt", '\\'), "C:\\a.txt");
    EXPECT_EQ(joinPath("/var/log", "*.txt", '/'), "/var/log/*.txt");
    // A backslash is an ordinary file-name byte on POSIX.
    EXPECT_EQ(joinPath("/tmp/a\\", "b", '/'), "/tmp/a\\/b");
}

TEST(folderAndFileLabel, NamesTheHoldingFolderThenTheFileEachFollowedByASpace)
{
    EXPECT_EQ(folderAndFileLabel("C:\\a.txt", '\\'), "C: a.txt ");
    EXPECT_EQ(folderAndFileLabel("C:\\logs\\2024\\a.txt", '\\'), "2024 a.txt ");
    EXPECT_EQ(folderAndFileLabel("/var/log/a.txt.html", '/'), "log a.txt.html ");
    // In a rooted path's root the separator stands for the folder; a bare name has none.
    EXPECT_EQ(folderAndFileLabel("/a.txt", '/'), "/ a.txt ");
    EXPECT_EQ(folderAndFileLabel("\\a.txt", '\\'), "\\ a.txt ");
    EXPECT_EQ(folderAndFileLabel("a.txt", '/'), " a.txt ");
    EXPECT_EQ(folderAndFileLabel("", '/'), "  ");
}

// The fuzz targets' corpus replays hold the byte-level text routines to the
// literal algorithms, fed in chunks cut anywhere. Those take the wrap sets from
// core/wrap.h, so the sets' use is pinned here by hand.
TEST(wrapText, KeepsClosingMarksUpAndOpeningBracketsDownAndTheFullWidthSpace)
{
    const struct {
        std::u16string_view in;
        std::int32_t width;
        std::u16string_view out;
    } cases[] = {
        {u"あいうえおかきくけこさしすせそ", 20, u"あいうえおかきくけこ\r\nさしすせそ"},
        {u"あいうえおかきくけこ。さ", 20, u"あいうえおかきくけ\r\nこ。さ"},
        {u"あいうえおかきくけ「こさ", 20, u"あいうえおかきくけ\r\n「こさ"},
        {u"abc（", 20, u"abc\r\n（"},
        {u"  abc  \r\n\u3000\tx ", 20, u"abc\r\n\u3000\tx"},
        {u"あい", 1, u"あ\r\nい"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(*wrapText(sjis(c.in), WrapWidth{c.width}), sjis(c.out));
    }
}

// The fuzz target holds a page built in chunks to the page built at once.
TEST(HtmlPage, EscapesAnglesEndsEachCrLfOrLoneCrLineWithABreakAndKeepsOtherBytes)
{
    std::string page;
    appendHtmlPageBytes("a<b>&\r\nc\rd\n\x82\xA0", page);
    EXPECT_EQ(page,
              "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n"
              "a&lt;b&gt;&<BR>\r\nc<BR>\r\nd\n\x82\xA0<BR>\r\n</BODY>\r\n</HTML>");
}

TEST(CommandLine, SplitsConfiguredProgramsLikeAShellWithoutExpandingAnything)
{
    struct Case {
        const char* name;
        std::u16string line;
        Words words;
    };
    const Case cases[] = {
        {"blanks separate", u"  gedit\t--new-window  ", {u"gedit", u"--new-window"}},
        {"double quotes keep spaces and take escapes",
         u"\"/opt/my ed/a\\\"b\\\\c\\d\" -x",
         {u"/opt/my ed/a\"b\\c\\d", u"-x"}},
        {"single quotes keep everything", u"'/opt/it'\\''s/ed' '$HOME'", {u"/opt/it's/ed", u"$HOME"}},
        {"backslash escapes a blank, pieces join", u"/opt/my\\ ed\"it\"'or'", {u"/opt/my editor"}},
        {"empty quotes are an empty word", u"prog \"\" ''", {u"prog", u"", u""}},
        {"shell operators stay text",
         u"ed; rm -rf / && $(x) `y`",
         {u"ed;", u"rm", u"-rf", u"/", u"&&", u"$(x)", u"`y`"}},
        {"unterminated quote runs to the end", u"ed 'a b", {u"ed", u"a b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(splitCommandLine(c.line), c.words);
    }
}

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
        EXPECT_EQ(wildcard::matches(c.pattern, c.name), c.match);
    }
    EXPECT_TRUE(wildcard::matches(u"?.txt", u"\U0001F600.txt")) << "a surrogate pair is one character";
    EXPECT_FALSE(wildcard::matches(u"ｔｘｔ", u"ＴＸＴ"));
}

TEST(Wildcard, StarsBacktrackWithoutBlowingUp)
{
    // Exponential backtracking would never finish this.
    const std::string name(5000, 'a');
    EXPECT_FALSE(wildcard::matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(wildcard::matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*", name));
}

TEST(Wildcard, NamesListInFoldedOrderAndTheOrderIsTotal)
{
    std::vector<std::string> names{"b.txt", "_x.txt", "A.txt", "a.txt", "B.txt", "a.TXT", "10.txt", "9.txt"};
    std::sort(names.begin(), names.end(), wildcard::nameLess);
    // Letters fold to upper case, so '_' (0x5F) sorts after them; exact ties
    // fall back to the bytes (upper case first).
    const std::vector<std::string> expected{"10.txt", "9.txt", "A.txt", "a.TXT", "a.txt", "B.txt", "b.txt", "_x.txt"};
    EXPECT_EQ(names, expected);
    EXPECT_LT(wildcard::compareNames("ab", "abc"), 0);
    EXPECT_GT(wildcard::compareNames("\xE3\x81\x82", "z"), 0);  // non-ASCII after ASCII
}

}  // namespace
}  // namespace soramie
