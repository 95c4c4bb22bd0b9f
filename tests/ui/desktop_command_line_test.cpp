// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <gtest/gtest.h>

using soramie::app::CommandLine;
using soramie::app::fileArgumentPath;
using soramie::app::parseCommandLine;
using Action = CommandLine::Action;

TEST(CommandLine, no_argument_runs_as_before_and_one_file_is_taken_as_given)
{
    EXPECT_EQ(parseCommandLine({}).action, Action::Run);
    EXPECT_TRUE(parseCommandLine({}).file.isEmpty());
    const CommandLine line = parseCommandLine({"logs/今日.log"});
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_EQ(line.file, "logs/今日.log");
    // After "--" a name that looks like an option is a file.
    EXPECT_EQ(parseCommandLine({"--", "--help"}).file, "--help");
    EXPECT_EQ(parseCommandLine({"--", "--help"}).action, Action::Run);
}

TEST(CommandLine, help_wins_over_version_and_over_mistakes_wherever_it_stands)
{
    EXPECT_EQ(parseCommandLine({"--help"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"-h"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"a.txt", "--bogus", "b.txt", "--help"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"--version", "-h"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"--version"}).action, Action::Version);
    EXPECT_EQ(parseCommandLine({"a.txt", "-v"}).action, Action::Version);
}

TEST(CommandLine, unknown_options_a_second_file_and_an_empty_name_are_errors)
{
    const CommandLine unknown = parseCommandLine({"--bogus", "a.txt"});
    EXPECT_EQ(unknown.action, Action::Error);
    EXPECT_TRUE(unknown.error.contains("--bogus"));
    EXPECT_EQ(parseCommandLine({"a.txt", "b.txt"}).action, Action::Error);
    EXPECT_EQ(parseCommandLine({""}).action, Action::Error);
    EXPECT_TRUE(parseCommandLine({"a.txt", "b.txt"}).file.isEmpty());
}

TEST(CommandLine, the_window_systems_options_are_left_to_it_so_mistakes_show_without_a_display)
{
    EXPECT_EQ(soramie::app::withoutToolkitOptions(
                  {"-platform", "offscreen", "--display", ":1", "-style=fusion", "-reverse", "a.txt", "--", "-sync"}),
              (QList<QByteArray>{"a.txt", "--", "-sync"}));
    EXPECT_EQ(parseCommandLine(soramie::app::withoutToolkitOptions({"-platform", "xcb", "--bogus"})).action,
              Action::Error);
}

TEST(CommandLine, a_file_url_from_a_launcher_names_its_local_path_with_its_bytes)
{
    EXPECT_EQ(fileArgumentPath("file:///var/log/%E4%BB%8A%E6%97%A5.log"), "/var/log/今日.log");
    EXPECT_EQ(fileArgumentPath("file:///data/%82%A0.txt"), "/data/\x82\xa0.txt");
    EXPECT_EQ(fileArgumentPath("file:/tmp/a.txt"), "/tmp/a.txt");
    EXPECT_EQ(fileArgumentPath("logs/\x82\xa0\nx.txt"), "logs/\x82\xa0\nx.txt");
}
