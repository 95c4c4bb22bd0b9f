// SPDX-License-Identifier: MIT
#include "core/file_io.h"

#include "search/temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using soramie::readWholeFile;
using soramie::writeFileSafely;
using soramie::WriteStep;
using soramie::testing::TempTree;

namespace {

std::string contents(const fs::path& p)
{
    auto r = readWholeFile(p.string());
    return r ? *r : std::string("<unreadable>");
}

mode_t modeOf(const fs::path& p)
{
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string allBytes()
{
    std::string s;
    for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
    return s + "\x82\xA0\x81\r\n\xFF";
}

}  // namespace

TEST(FileIo, writes_exactly_the_bytes_given_and_reads_them_back)
{
    TempTree t;
    const auto p = t / "a.txt";
    ASSERT_TRUE(writeFileSafely(p.string(), allBytes()));
    EXPECT_EQ(contents(p), allBytes());
    ASSERT_TRUE(writeFileSafely(p.string(), ""));
    EXPECT_EQ(fs::file_size(p), 0u);
    ASSERT_TRUE(writeFileSafely(p.string(), "abc"));
    EXPECT_EQ(contents(p), "abc");
    EXPECT_EQ(namesIn(t.root()), std::vector<std::string>{"a.txt"});  // no temporary file left
}

TEST(FileIo, keeps_the_permission_bits_of_the_replaced_file_and_gives_a_new_file_the_umask_mode)
{
    TempTree t;
    const auto p = t.file("x.sh", "old");
    ::chmod(p.c_str(), 0751);
    ASSERT_TRUE(writeFileSafely(p.string(), "new"));
    EXPECT_EQ(modeOf(p), 0751u);

    const mode_t mask = ::umask(027);
    const auto fresh = t / "fresh.txt";
    ASSERT_TRUE(writeFileSafely(fresh.string(), "x"));
    ::umask(mask);
    EXPECT_EQ(modeOf(fresh), 0640u);
}

TEST(FileIo, writes_through_symbolic_links_and_keeps_them)
{
    TempTree t;
    const auto real = t.file("data/real.txt", "old");
    fs::create_symlink("data/real.txt", t / "rel-link");     // relative target
    fs::create_symlink(t / "rel-link", t / "link-to-link");  // a chain
    ASSERT_TRUE(writeFileSafely((t / "link-to-link").string(), "new"));
    EXPECT_TRUE(fs::is_symlink(t / "link-to-link"));
    EXPECT_TRUE(fs::is_symlink(t / "rel-link"));
    EXPECT_EQ(contents(real), "new");

    fs::create_symlink("data/created.txt", t / "dangling");
    ASSERT_TRUE(writeFileSafely((t / "dangling").string(), "made"));
    EXPECT_TRUE(fs::is_symlink(t / "dangling"));
    EXPECT_EQ(contents(t / "data/created.txt"), "made");

    fs::create_symlink("loop-b", t / "loop-a");
    fs::create_symlink("loop-a", t / "loop-b");
    EXPECT_EQ(writeFileSafely((t / "loop-a").string(), "x").error().errnoValue, ELOOP);
}

TEST(FileIo, refuses_targets_that_are_not_writable_regular_files_and_changes_nothing)
{
    TempTree t;
    t.folder("dir");
    const auto ro = t.file("ro.txt", "keep");
    ::chmod(ro.c_str(), 0444);  // read-only for everyone, the superuser included
    ::mkfifo((t / "fifo").c_str(), 0666);
    const auto before = namesIn(t.root());

    const struct {
        const char* name;
        int err;
    } cases[] = {
        {"dir", EISDIR}, {"ro.txt", EACCES}, {"fifo", EINVAL}, {"missing/a.txt", ENOENT}, {"ro.txt/a.txt", ENOTDIR}};
    for (const auto& c : cases) {
        auto r = writeFileSafely((t / c.name).string(), "new");
        ASSERT_FALSE(r) << c.name;
        EXPECT_EQ(r.error().what, "resolve") << c.name;
        EXPECT_EQ(r.error().errnoValue, c.err) << c.name;
        EXPECT_EQ(r.error().path, (t / c.name).string());
    }
    EXPECT_EQ(contents(ro), "keep");
    EXPECT_EQ(namesIn(t.root()), before);

    // Reading: a folder fails, and a FIFO without a writer is refused instead of blocking.
    EXPECT_EQ(readWholeFile((t / "dir").string()).error().errnoValue, EISDIR);
    EXPECT_EQ(readWholeFile((t / "fifo").string(), soramie::ReadFrom::RegularFileOnly).error().errnoValue, EINVAL);
}

TEST(FileIo, a_failure_at_any_step_leaves_the_old_file_and_no_temporary_file)
{
    const struct {
        WriteStep step;
        const char* what;
    } steps[] = {{WriteStep::Resolve, "resolve"}, {WriteStep::CreateTemp, "create a temporary file"},
                 {WriteStep::Write, "write"},     {WriteStep::Permissions, "set permissions"},
                 {WriteStep::Flush, "flush"},     {WriteStep::Close, "close"},
                 {WriteStep::Replace, "replace"}};
    for (const auto& s : steps) {
        TempTree t;
        const auto p = t.file("a.txt", "old contents");
        ::chmod(p.c_str(), 0640);
        auto r = writeFileSafely(p.string(), "new", [&](WriteStep at) { return at == s.step ? ENOSPC : 0; });
        ASSERT_FALSE(r) << s.what;
        EXPECT_EQ(r.error().what, s.what);
        EXPECT_EQ(r.error().errnoValue, ENOSPC);
        EXPECT_EQ(contents(p), "old contents") << s.what;
        EXPECT_EQ(modeOf(p), 0640u) << s.what;
        EXPECT_EQ(namesIn(t.root()), std::vector<std::string>{"a.txt"}) << s.what;
    }
}

TEST(FileIo, a_name_at_the_file_system_limit_still_gets_a_temporary_file)
{
    TempTree t;
    const auto p = t / std::string(250, 'n');
    ASSERT_TRUE(writeFileSafely(p.string(), "x"));
    EXPECT_EQ(contents(p), "x");
}
