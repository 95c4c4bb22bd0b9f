// SPDX-License-Identifier: MIT
#include "settings/location.h"

#include "search/temp_tree.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using soramie::settings::detectLayout;
using soramie::settings::Layout;
using soramie::settings::programFiles;
using soramie::testing::TempTree;

namespace {

void touch(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

}  // namespace

TEST(SettingsLocation, ABuildFolderKeepsBothFilesBesideTheExecutableAndAPrefixUsesConfigAndShare)
{
    TempTree t;
    const fs::path build = t.root() / "build";
    touch(build / "readme.txt");
    ASSERT_EQ(detectLayout(build, "soramie"), Layout::Portable);
    auto files = programFiles(Layout::Portable, build, "soramie", t.root() / "config");
    EXPECT_EQ(files.settings.string() + "|" + files.readme.string(),
              (build / "soramie.ini").string() + "|" + (build / "readme.txt").string());

    // An installation prefix, even where the user may write it; another program's share does not count.
    const fs::path bin = t.root() / "usr" / "bin";
    fs::create_directories(bin);
    touch(t.root() / "usr" / "share" / "soramie" / "readme.txt");
    EXPECT_EQ(detectLayout(bin.string() + "/", "soramie"), Layout::Installed);
    EXPECT_EQ(detectLayout(bin, "other"), Layout::Portable);
    files = programFiles(Layout::Installed, bin, "soramie", "/home/u/.config/SORAMIE");
    EXPECT_EQ(files.settings, fs::path("/home/u/.config/SORAMIE/soramie.ini"));
    EXPECT_EQ(files.readme, t.root() / "usr" / "share" / "soramie" / "readme.txt");
}

TEST(SettingsLocation, AFolderTheUserCannotWriteIsAnInstalledLayout)
{
    TempTree t;
    EXPECT_EQ(detectLayout(t.root() / "missing", "soramie"), Layout::Installed);
    if (::getuid() == 0) GTEST_SKIP() << "root may write into any folder";
    const fs::path bin = t.root() / "bin";
    touch(bin / "readme.txt");
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(detectLayout(bin, "soramie"), Layout::Installed);
    fs::permissions(bin, fs::perms::owner_all);
}
