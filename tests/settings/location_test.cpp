// SPDX-License-Identifier: MIT
#include "settings/location.h"

#include "search/temp_tree.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>

namespace fs = std::filesystem;
using soramie::settings::detectLayout;
using soramie::settings::Layout;
using soramie::settings::programFiles;

TEST(SettingsLocation, ABuildFolderKeepsBothFilesBesideTheExecutableAndAPrefixUsesConfigAndShare)
{
    soramie::testing::TempTree t;
    const fs::path build = t.file("build/readme.txt").parent_path();
    ASSERT_EQ(detectLayout(build, "soramie"), Layout::Portable);
    auto files = programFiles(Layout::Portable, build, "soramie", t / "config");
    EXPECT_EQ(files.settings, build / "soramie.ini");
    EXPECT_EQ(files.readme, build / "readme.txt");

    // An installation prefix, even where the user may write it; another program's share does not count.
    const fs::path bin = t.folder("usr/bin");
    const fs::path readme = t.file("usr/share/soramie/readme.txt");
    EXPECT_EQ(detectLayout(bin.string() + "/", "soramie"), Layout::Installed);
    EXPECT_EQ(detectLayout(bin, "other"), Layout::Portable);
    files = programFiles(Layout::Installed, bin, "soramie", "/home/u/.config/SORAMIE");
    EXPECT_EQ(files.settings, fs::path("/home/u/.config/SORAMIE/soramie.ini"));
    EXPECT_EQ(files.readme, readme);
    EXPECT_EQ(detectLayout(t / "missing", "soramie"), Layout::Installed);
}

TEST(SettingsLocation, AFolderTheUserCannotWriteIsAnInstalledLayout)
{
    if (::getuid() == 0) GTEST_SKIP() << "root may write into any folder";
    soramie::testing::TempTree t;
    const fs::path bin = t.file("bin/readme.txt").parent_path();
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(detectLayout(bin, "soramie"), Layout::Installed);
}
