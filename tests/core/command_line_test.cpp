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
