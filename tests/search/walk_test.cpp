// SPDX-License-Identifier: MIT
#include "search/walk.h"

#include "search/temp_tree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace soramie::search;
using soramie::testing::TempTree;

using Names = std::vector<std::string>;

// The candidates, as paths relative to the tree root.
Names walk(const TempTree& tree, Subfolders sub = Subfolders::Include, std::string_view pattern = "*.txt",
           WalkStats* stats = nullptr, const WalkControl& control = {})
{
    std::vector<fs::path> out;
    WalkStats s = collectCandidates(tree.root(), pattern, sub, out, control);
    if (stats) *stats = std::move(s);
    Names names;
    for (const auto& p : out) names.push_back(p.lexically_relative(tree.root()).string());
    return names;
}

TEST(FolderWalk, IsPreOrderWithFilesBeforeSubfoldersAndNamesSorted)
{
    TempTree tree;
    // Created out of order: the listing order must not depend on it.
    tree.file("z/d.txt");
    tree.file("x/y/c.txt");
    tree.file("x/b.txt");
    tree.file("a.txt");
    tree.file("B.TXT");
    tree.file("x/A.txt");
    EXPECT_EQ(walk(tree), (Names{"a.txt", "B.TXT", "x/A.txt", "x/b.txt", "x/y/c.txt", "z/d.txt"}));
    EXPECT_EQ(walk(tree, Subfolders::Exclude), (Names{"a.txt", "B.TXT"}));
}

// Folders are entered whatever their name, but not hidden ones nor links to
// folders (a cycle, a second way in); links to files are candidates, links to
// nothing and FIFOs (which would block a reader) are not.
TEST(FolderWalk, ThePatternSelectsRegularFilesAndLinksToThemAndOnlyRealFoldersAreEntered)
{
    TempTree tree;
    for (const char* name : {"notes.txt/inner.txt", ".svn/hidden-folder.txt", ".hidden.txt", "a.txt.bak", "run.log"})
        tree.file(name);
    tree.file("target.dat", "x");
    fs::create_directory_symlink(tree.root(), tree / "notes.txt/loop");
    fs::create_directory_symlink(tree / "notes.txt", tree / "alias");
    fs::create_symlink(tree / "target.dat", tree / "link.txt");
    fs::create_symlink(tree / "nowhere", tree / "dangling.txt");
    ASSERT_EQ(::mkfifo((tree / "pipe.txt").c_str(), 0600), 0);
    EXPECT_EQ(walk(tree), (Names{".hidden.txt", "link.txt", "notes.txt/inner.txt"}));
    EXPECT_EQ(walk(tree, Subfolders::Include, "*.log"), (Names{"run.log"}));
    std::vector<fs::path> direct;
    EXPECT_TRUE(listMatchingFiles(tree.root(), "*.txt", direct));
    EXPECT_EQ(direct, (std::vector<fs::path>{tree / ".hidden.txt", tree / "link.txt"}));
}

TEST(FolderWalk, UnreadableAndMissingFoldersContributeNothing)
{
    TempTree tree;
    std::vector<fs::path> out;
    WalkStats stats = collectCandidates(tree / "missing", "*.txt", Subfolders::Include, out);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(stats.unreadableFolders.size(), 1u);
    EXPECT_EQ(stats.unreadableFolders[0].errnoValue, ENOENT);

    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    for (const char* name : {"a/1.txt", "b/2.txt", "c/3.txt"}) tree.file(name);
    ::chmod((tree / "b").c_str(), 0);
    EXPECT_EQ(walk(tree, Subfolders::Include, "*.txt", &stats), (Names{"a/1.txt", "c/3.txt"}));
    EXPECT_EQ(stats.unreadableFolders.size(), 1u);
}

// Creates `levels` nested folders named `name` below `root` by descriptor, so
// the full path may exceed PATH_MAX, with "f.txt" in every level.
void makeDeepTree(const fs::path& root, const std::string& name, int levels)
{
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 1; i <= levels && fd >= 0; ++i) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0700), 0);
        const int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = sub;
        ::close(::openat(fd, "f.txt", O_CREAT | O_WRONLY, 0600));
    }
    ::close(fd);
}

TEST(FolderWalk, DeepTreesAndOverlongPathsDoNotCrash)
{
    TempTree deep;
    makeDeepTree(deep.root(), "d", 1000);
    std::vector<fs::path> out;
    EXPECT_TRUE(collectCandidates(deep.root(), "*.txt", Subfolders::Include, out).unreadableFolders.empty());
    EXPECT_EQ(out.size(), 1000u);
    EXPECT_LT(out.front().native().size(), out.back().native().size()) << "shallowest first";

    // 40 levels of 200-character names: paths far beyond PATH_MAX. Folders
    // whose paths the system refuses contribute nothing; the others are walked.
    TempTree longNames;
    makeDeepTree(longNames.root(), std::string(200, 'n'), 40);
    out.clear();
    collectCandidates(longNames.root(), "*.txt", Subfolders::Include, out);
    EXPECT_GT(out.size(), 10u);
    EXPECT_LT(out.size(), 40u);
}

TEST(FolderWalk, ReportsProgressAndStopsWhenCancelled)
{
    TempTree tree;
    for (int i = 0; i < 5; ++i) tree.file(std::to_string(i) + "/f.txt");
    std::atomic<bool> cancel{false};
    std::vector<std::size_t> seen;
    WalkControl control;
    control.cancel = &cancel;
    control.progress = [&](std::size_t n) {
        seen.push_back(n);
        if (n == 2) cancel = true;
    };
    WalkStats stats;
    EXPECT_EQ(walk(tree, Subfolders::Include, "*.txt", &stats, control).size(), 2u);
    EXPECT_TRUE(stats.cancelled);
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 2}));
}

}  // namespace
