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

TEST(SettingsLocation, a_build_folder_keeps_both_files_beside_the_executable)
{
    TempTree t;
    const fs::path bin = t.root() / "build";
    fs::create_directories(bin);
    touch(bin / "readme.txt");
    ASSERT_EQ(detectLayout(bin, "soramie"), Layout::Portable);
    const auto files = programFiles(Layout::Portable, bin, "soramie", t.root() / "config");
    EXPECT_EQ(files.settings, bin / "soramie.ini");
    EXPECT_EQ(files.readme, bin / "readme.txt");
}

TEST(SettingsLocation, an_installation_prefix_uses_the_config_folder_and_share_even_when_writable)
{
    TempTree t;
    const fs::path bin = t.root() / "usr" / "bin";
    fs::create_directories(bin);
    touch(t.root() / "usr" / "share" / "soramie" / "readme.txt");
    EXPECT_EQ(detectLayout(bin, "soramie"), Layout::Installed);
    EXPECT_EQ(detectLayout(bin.string() + "/", "soramie"), Layout::Installed);
    // Another program's share folder does not make this one installed.
    EXPECT_EQ(detectLayout(bin, "other"), Layout::Portable);

    const auto files = programFiles(Layout::Installed, bin, "soramie", "/home/u/.config/SORAMIE");
    EXPECT_EQ(files.settings, fs::path("/home/u/.config/SORAMIE/soramie.ini"));
    EXPECT_EQ(files.readme, t.root() / "usr" / "share" / "soramie" / "readme.txt");
}

TEST(SettingsLocation, a_folder_the_user_cannot_write_is_an_installed_layout)
{
    TempTree t;
    EXPECT_EQ(detectLayout(t.root() / "missing", "soramie"), Layout::Installed);
    if (::getuid() == 0) GTEST_SKIP() << "root may write into any folder";
    const fs::path bin = t.root() / "bin";
    fs::create_directories(bin);
    touch(bin / "readme.txt");
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(detectLayout(bin, "soramie"), Layout::Installed);
    fs::permissions(bin, fs::perms::owner_all);
}
