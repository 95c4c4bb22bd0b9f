// SPDX-License-Identifier: MIT
#include "core/private_folder.h"

#include "search/temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>

using soramie::privateRuntimeFolder;
using soramie::testing::TempTree;

TEST(PrivateFolder, TheRuntimeFolderIsUsedOnlyWhenItIsThisUsersOwn0700Folder)
{
    TempTree t;
    const auto home = t.folder("home");
    const std::string fallback = (home / ".cache/soramie-run").string();
    const auto good = t.folder("run");
    ::chmod(good.c_str(), 0700);
    const auto open = t.folder("open");
    ::chmod(open.c_str(), 0755);
    std::filesystem::create_directory_symlink(good, t / "link");
    EXPECT_EQ(privateRuntimeFolder(good.c_str(), home.string()), good.string());
    for (const std::string& unusable : {open.string(), (t / "link").string(), std::string("run"), std::string()}) {
        EXPECT_EQ(privateRuntimeFolder(unusable.c_str(), home.string()), fallback) << unusable;
    }
    EXPECT_EQ(privateRuntimeFolder(nullptr, home.string()), fallback);
    EXPECT_EQ(std::filesystem::symlink_status(fallback).permissions(), std::filesystem::perms::owner_all);
}

TEST(PrivateFolder, AFallbackSomeoneElseCouldHaveMadeFirstIsNeverUsed)
{
    TempTree t;
    const auto shared = t.folder("shared-home");
    ::chmod(shared.c_str(), 01777);  // anyone could have created .cache here
    EXPECT_EQ(privateRuntimeFolder(nullptr, shared.string()), std::nullopt);

    const auto home = t.folder("home");
    const auto elsewhere = t.folder("elsewhere");
    ::chmod(elsewhere.c_str(), 0700);
    t.folder("home/.cache");
    std::filesystem::create_directory_symlink(elsewhere, home / ".cache/soramie-run");  // planted link
    EXPECT_EQ(privateRuntimeFolder(nullptr, home.string()), std::nullopt);
    if (::geteuid() == 0) {
        std::filesystem::remove(home / ".cache/soramie-run");
        t.folder("home/.cache/soramie-run");
        ::chmod((home / ".cache/soramie-run").c_str(), 0700);
        ::chown((home / ".cache/soramie-run").c_str(), 65534, 65534);  // made first by another user
        EXPECT_EQ(privateRuntimeFolder(nullptr, home.string()), std::nullopt);
    }
    EXPECT_EQ(privateRuntimeFolder(nullptr, "relative/home"), std::nullopt);
}
