// SPDX-License-Identifier: MIT
#include "core/paths.h"

#include <gtest/gtest.h>

namespace soramie {
namespace {

TEST(JoinFolderFile, PutsOneSeparatorUnlessTheFolderAlreadyEndsWithIt)
{
    EXPECT_EQ(JoinFolderFile("C:\\", "a.txt", '\\'), "C:\\a.txt");
    EXPECT_EQ(JoinFolderFile("/var/log", "*.txt", '/'), "/var/log/*.txt");
    // A backslash is an ordinary file-name byte on POSIX.
    EXPECT_EQ(JoinFolderFile("/tmp/a\\", "b", '/'), "/tmp/a\\/b");
}

TEST(FolderFileLabel, NamesTheHoldingFolderThenTheFileEachFollowedByASpace)
{
    EXPECT_EQ(FolderFileLabel("C:\\a.txt", '\\'), "C: a.txt ");
    EXPECT_EQ(FolderFileLabel("C:\\logs\\2024\\a.txt", '\\'), "2024 a.txt ");
    EXPECT_EQ(FolderFileLabel("/var/log/a.txt.html", '/'), "log a.txt.html ");
    // In a rooted path's root the separator stands for the folder; a bare name has none.
    EXPECT_EQ(FolderFileLabel("/a.txt", '/'), "/ a.txt ");
    EXPECT_EQ(FolderFileLabel("\\a.txt", '\\'), "\\ a.txt ");
    EXPECT_EQ(FolderFileLabel("a.txt", '/'), " a.txt ");
    EXPECT_EQ(FolderFileLabel("", '/'), "  ");
}

}  // namespace
}  // namespace soramie
