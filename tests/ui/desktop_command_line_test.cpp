// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <gtest/gtest.h>

using soramie::app::CommandLine;
using soramie::app::fileArgumentPath;
using soramie::app::parseCommandLine;
using Action = CommandLine::Action;

TEST(CommandLine, HelpWinsOverVersionAndMistakesAndOneFileIsTakenAsGiven)
{
    const struct {
        QList<QByteArray> args;
        Action action;
        QByteArray file;
    } cases[] = {
        {{"logs/今日.log"}, Action::Run, "logs/今日.log"},
        {{"--", "--help"}, Action::Run, "--help"},  // after "--" a name that looks like an option is a file
        {{"a.txt", "--bogus", "b.txt", "--help"}, Action::Help, ""},
        {{"a.txt", "-v"}, Action::Version, ""},
        {{"a.txt", "b.txt"}, Action::Error, ""},
        {{""}, Action::Error, ""},
    };
    for (const auto& c : cases) {
        const CommandLine line = parseCommandLine(c.args);
        EXPECT_EQ(line.action, c.action) << c.args.join(' ').constData();
        EXPECT_EQ(line.file, c.file) << c.args.join(' ').constData();
    }
    EXPECT_TRUE(parseCommandLine({"--bogus"}).error.contains("--bogus"));
}

TEST(CommandLine, TheWindowSystemsOptionsAreLeftToItSoMistakesShowWithoutADisplay)
{
    EXPECT_EQ(soramie::app::withoutToolkitOptions(
                  {"-platform", "offscreen", "--display", ":1", "-style=fusion", "-reverse", "a.txt", "--", "-sync"}),
              (QList<QByteArray>{"a.txt", "--", "-sync"}));
}

TEST(CommandLine, AFileUrlFromALauncherNamesItsLocalPathWithItsBytes)
{
    EXPECT_EQ(fileArgumentPath("file:///data/%82%A0.txt"), "/data/\x82\xa0.txt");
    EXPECT_EQ(fileArgumentPath("logs/\x82\xa0\nx.txt"), "logs/\x82\xa0\nx.txt");
}
