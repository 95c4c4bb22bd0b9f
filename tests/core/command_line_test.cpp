// SPDX-License-Identifier: MIT
#include "core/command_line.h"

#include <gtest/gtest.h>

using soramie::splitCommandLine;
using Words = std::vector<std::u16string>;

TEST(CommandLine, SplitsConfiguredProgramsLikeAShellWithoutExpandingAnything)
{
    struct Case {
        const char* name;
        std::u16string line;
        Words words;
    };
    const Case cases[] = {
        {"blanks separate", u"  gedit\t--new-window  ", {u"gedit", u"--new-window"}},
        {"double quotes keep spaces", u"\"/opt/my editor/ed\" -x", {u"/opt/my editor/ed", u"-x"}},
        {"single quotes keep everything", u"'/opt/it'\\''s/ed' '$HOME'", {u"/opt/it's/ed", u"$HOME"}},
        {"backslash escapes a blank", u"/opt/my\\ editor", {u"/opt/my editor"}},
        {"escapes inside double quotes", u"\"a\\\"b\\\\c\\d\"", {u"a\"b\\c\\d"}},
        {"pieces join into one word", u"pre\"fix\"'post'", {u"prefixpost"}},
        {"empty quotes are an empty word", u"prog \"\" ''", {u"prog", u"", u""}},
        {"shell operators stay text",
         u"ed; rm -rf / && $(x) `y` | z",
         {u"ed;", u"rm", u"-rf", u"/", u"&&", u"$(x)", u"`y`", u"|", u"z"}},
        {"unterminated quote runs to the end", u"ed 'a b", {u"ed", u"a b"}},
        {"Japanese program names", u"\"/opt/エディタ/起動\"", {u"/opt/エディタ/起動"}},
        {"nothing but blanks", u" \t ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(splitCommandLine(c.line), c.words);
    }
}
