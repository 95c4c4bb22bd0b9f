// SPDX-License-Identifier: MIT
#include "core/file_io.h"
#include "core/private_folder.h"

#include "search/temp_tree.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
using soramie::IoStep;
using soramie::privateRuntimeFolder;
using soramie::readWholeFile;
using soramie::writeFileSafely;
using soramie::WriteMode;
using soramie::testing::TempTree;

namespace {

std::string contents(const fs::path& p)
{
    auto r = readWholeFile(p.string());
    return r ? *r : std::string("<unreadable>");
}

struct stat statOf(const fs::path& p)
{
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st;
}

mode_t modeOf(const fs::path& p) { return statOf(p).st_mode & 07777; }

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

constexpr uid_t kOtherUser = 65534;  // nobody

}  // namespace

TEST(FileIo, WritesExactlyTheBytesGivenAndReadsThemBack)
{
    TempTree t;
    const auto p = t / "a.txt";
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    for (const std::string& bytes : {all, std::string(), std::string("abc")}) {
        ASSERT_TRUE(writeFileSafely(p.string(), bytes));
        EXPECT_EQ(contents(p), bytes);
    }
    EXPECT_EQ(readWholeFile(p.string(), soramie::ReadFrom::RegularFileOnly, 2).value(), "ab");
    // A name at the file system's limit still gets a temporary file beside it.
    ASSERT_TRUE(writeFileSafely((t / std::string(250, 'n')).string(), "x"));
    EXPECT_EQ(namesIn(t.root()), (std::vector<std::string>{"a.txt", std::string(250, 'n')})) << "no temporary left";
}

TEST(FileIo, TheTemporaryFileIsPrivateUntilItGetsTheOldFilesModeOwnerAndGroup)
{
    TempTree t;
    const auto p = t.file("x.sh", "old");
    ::chmod(p.c_str(), 0754);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(p.c_str(), kOtherUser, kOtherUser), 0);
    }
    std::vector<mode_t> tempModes;
    const auto written = writeFileSafely(p.string(), "new", [&](IoStep step) {
        for (const std::string& name : namesIn(t.root()))
            if (name.ends_with(".tmp") && (step == IoStep::Write || step == IoStep::Flush))
                tempModes.push_back(modeOf(t / name));
        return 0;
    });
    ASSERT_TRUE(written);
    EXPECT_EQ(written->mode, WriteMode::Replaced);
    EXPECT_EQ(tempModes, (std::vector<mode_t>{0600, 0754})) << "private while written, the old mode before the rename";
    EXPECT_EQ(modeOf(p), 0754u);
    if (root) {
        EXPECT_EQ(statOf(p).st_uid, kOtherUser);
        EXPECT_EQ(statOf(p).st_gid, kOtherUser);
    }
    EXPECT_EQ(written->stamp, soramie::currentStamp(p.string()));

    const mode_t mask = ::umask(027);
    const auto fresh = t / "fresh.txt";
    ASSERT_TRUE(writeFileSafely(fresh.string(), "x"));
    ::umask(mask);
    EXPECT_EQ(modeOf(fresh), 0640u);
}

TEST(FileIo, FollowsOnlyTheSymbolicLinksTheKernelWouldLetThisUserFollow)
{
    TempTree t;
    const auto real = t.file("data/real.txt", "old");
    fs::create_symlink("data/real.txt", t / "rel-link");     // relative target
    fs::create_symlink(t / "rel-link", t / "link-to-link");  // a chain
    ASSERT_TRUE(writeFileSafely((t / "link-to-link").string(), "new"));
    EXPECT_TRUE(fs::is_symlink(t / "link-to-link"));
    EXPECT_EQ(contents(real), "new");

    fs::create_symlink("loop-b", t / "loop-a");
    fs::create_symlink("loop-a", t / "loop-b");
    EXPECT_EQ(writeFileSafely((t / "loop-a").string(), "x").error().errnoValue, ELOOP);
    // A dangling link never creates the file it points to.
    fs::create_symlink("data/created.txt", t / "dangling");
    const auto dangling = writeFileSafely((t / "dangling").string(), "x");
    ASSERT_FALSE(dangling);
    EXPECT_EQ(dangling.error().step, IoStep::FollowLink);
    EXPECT_FALSE(fs::exists(t / "data/created.txt"));

    if (::geteuid() != 0) GTEST_SKIP() << "links of another user need root to make";
    // A sticky world-writable folder (like /tmp) with links of another user.
    const auto shared = t.folder("shared");
    ::chmod(shared.c_str(), 01777);
    const struct {
        const char* link;
        const char* write;
        uid_t linkOwner;
        bool followed;
    } cases[] = {
        {"mine", "mine", 0, true},
        {"theirs", "theirs", kOtherUser, false},
        {"theirs-folder", "theirs-folder/real.txt", kOtherUser, false},  // a link on the way
    };
    for (const auto& c : cases) {
        fs::create_symlink(std::string(c.link) == "theirs-folder" ? t / "data" : real, shared / c.link);
        ASSERT_EQ(::lchown((shared / c.link).c_str(), c.linkOwner, c.linkOwner), 0);
        const auto r = writeFileSafely((shared / c.write).string(), c.link);
        EXPECT_EQ(r.ok(), c.followed) << c.link;
        if (!r) {
            EXPECT_EQ(r.error().step, IoStep::FollowLink);
            EXPECT_EQ(r.error().errnoValue, EACCES);
        }
        EXPECT_EQ(contents(real), c.followed ? c.link : "mine") << c.link;
    }
    // A regular file another user planted there is not written either, however open its mode.
    const auto planted = shared / "planted.txt.html";
    std::filesystem::copy_file(real, planted);
    ASSERT_EQ(::chown(planted.c_str(), kOtherUser, kOtherUser), 0);
    ::chmod(planted.c_str(), 0666);
    const auto refused = writeFileSafely(planted.string(), "secret");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().step, IoStep::ForeignFile);
    EXPECT_EQ(refused.error().errnoValue, EACCES);
    EXPECT_EQ(contents(planted), "mine");
    EXPECT_EQ(statOf(planted).st_uid, kOtherUser);
    // The same links and files are used where the folder's owner made them, or outside sticky folders.
    ASSERT_EQ(::chown(shared.c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_TRUE(writeFileSafely((shared / "theirs").string(), "owner's"));
    EXPECT_TRUE(writeFileSafely(planted.string(), "owner's"));
    ::chmod(shared.c_str(), 0777);
    ASSERT_EQ(::chown(shared.c_str(), 0, 0), 0);
    EXPECT_TRUE(writeFileSafely((shared / "theirs-folder/real.txt").string(), "not sticky"));
    EXPECT_EQ(contents(real), "not sticky");
}

TEST(FileIo, RefusesTargetsThatAreNotWritableRegularFilesAndChangesNothing)
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
    } cases[] = {{"dir", EISDIR},           {"dir/", EISDIR},          {"ro.txt", EACCES},  {"fifo", EINVAL},
                 {"missing/a.txt", ENOENT}, {"ro.txt/a.txt", ENOTDIR}, {"ro.txt/", ENOTDIR}};
    for (const auto& c : cases) {
        auto r = writeFileSafely((t / c.name).string(), "new");
        ASSERT_FALSE(r) << c.name;
        EXPECT_EQ(r.error().step, IoStep::Resolve) << c.name;
        EXPECT_EQ(r.error().errnoValue, c.err) << c.name;
        EXPECT_EQ(r.error().path, (t / c.name).string());
    }
    EXPECT_EQ(contents(ro), "keep");
    EXPECT_EQ(namesIn(t.root()), before);

    // Reading: a folder fails, and a FIFO without a writer is refused instead of blocking.
    EXPECT_EQ(readWholeFile((t / "dir").string()).error().errnoValue, EISDIR);
    EXPECT_EQ(readWholeFile((t / "fifo").string(), soramie::ReadFrom::RegularFileOnly).error().errnoValue, EINVAL);
}

TEST(FileIo, AFailureAtAnyStepLeavesTheOldFileAndNoTemporaryFile)
{
    for (const IoStep step : {IoStep::Resolve, IoStep::CreateTemp, IoStep::Write, IoStep::Permissions, IoStep::Flush,
                              IoStep::Close, IoStep::Replace}) {
        TempTree t;
        const auto p = t.file("a.txt", "old contents");
        ::chmod(p.c_str(), 0640);
        auto r = writeFileSafely(p.string(), "new", [&](IoStep at) { return at == step ? ENOSPC : 0; });
        ASSERT_FALSE(r) << soramie::describe(step);
        EXPECT_EQ(r.error().step, step);
        EXPECT_EQ(r.error().errnoValue, ENOSPC);
        EXPECT_EQ(contents(p), "old contents") << soramie::describe(step);
        EXPECT_EQ(modeOf(p), 0640u) << soramie::describe(step);
        EXPECT_EQ(namesIn(t.root()), std::vector<std::string>{"a.txt"}) << soramie::describe(step);
    }
}

TEST(FileIo, WhereTheFolderRefusesANewFileOrTheRenameTheFileIsRewrittenInPlace)
{
    for (const IoStep refused : {IoStep::CreateTemp, IoStep::Replace}) {
        TempTree t;
        const auto p = t.file("a.txt", "old contents, longer than the new");
        const ino_t inode = statOf(p).st_ino;
        auto r = writeFileSafely(p.string(), "new", [&](IoStep at) { return at == refused ? EACCES : 0; });
        ASSERT_TRUE(r) << soramie::describe(refused);
        EXPECT_EQ(r->mode, WriteMode::InPlace);
        EXPECT_EQ(contents(p), "new");
        EXPECT_EQ(statOf(p).st_ino, inode) << "rewritten, not replaced";
        EXPECT_EQ(namesIn(t.root()), (std::vector<std::string>{"a.txt"}));

        r = writeFileSafely(p.string(), "x", [&](IoStep at) {
            return at == refused ? EACCES : at == IoStep::InPlace ? EIO : 0;
        });
        EXPECT_EQ(r.error().step, IoStep::InPlace) << "the one step after which the file may have changed";
    }
}

TEST(FileIo, AFileWithSeveralNamesKeepsItsIdentitySoEveryNameSeesTheSavedBytes)
{
    TempTree t;
    const auto p = t.file("a.txt", "old");
    fs::create_hard_link(p, t / "other-name");
    ::chmod(p.c_str(), 0640);
    const ino_t inode = statOf(p).st_ino;
    for (const std::string bytes : {"longer than the old contents", "new", ""}) {
        const auto r = writeFileSafely(p.string(), bytes);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->mode, WriteMode::LinksKept);
        EXPECT_EQ(contents(t / "other-name"), bytes);
        EXPECT_EQ(statOf(p).st_ino, inode);
        EXPECT_EQ(modeOf(p), 0640u);
        EXPECT_EQ(r->stamp.size, bytes.size());
        EXPECT_EQ(namesIn(t.root()), (std::vector<std::string>{"a.txt", "other-name"})) << "no private copy left";
    }
    // A failure before the rewrite leaves both names as they were; only the rewrite itself may damage the file.
    for (const IoStep step : {IoStep::CreateTemp, IoStep::Write, IoStep::Flush, IoStep::Open, IoStep::InPlace}) {
        const auto r = writeFileSafely(p.string(), "never", [&](IoStep at) { return at == step ? ENOSPC : 0; });
        ASSERT_FALSE(r) << soramie::describe(step);
        EXPECT_EQ(r.error().step, step);
        if (step != IoStep::InPlace) {
            EXPECT_EQ(contents(t / "other-name"), "") << soramie::describe(step);
        }
        EXPECT_EQ(namesIn(t.root()), (std::vector<std::string>{"a.txt", "other-name"})) << soramie::describe(step);
    }
}

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
    for (const std::string& unusable : {open.string(), (t / "link").string(), std::string("run"), std::string()})
        EXPECT_EQ(privateRuntimeFolder(unusable.c_str(), home.string()), fallback) << unusable;
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
        ASSERT_EQ(::chown((home / ".cache/soramie-run").c_str(), 65534, 65534), 0);  // made first by another user
        EXPECT_EQ(privateRuntimeFolder(nullptr, home.string()), std::nullopt);
    }
    EXPECT_EQ(privateRuntimeFolder(nullptr, "relative/home"), std::nullopt);
}

namespace {

// A producer that hands over `parts` in order and then fails (when `failure`
// is set) as a source that stopped being readable would.
soramie::ByteProducer producing(std::vector<std::string> parts, const std::optional<soramie::IoError>& failure = {})
{
    return [parts = std::move(parts), failure](const soramie::ByteSink& sink) -> soramie::Status<soramie::IoError> {
        for (const std::string& part : parts) {
            if (!sink(part)) return soramie::Ok{};
        }
        if (failure) return soramie::unexpected(*failure);
        return soramie::Ok{};
    };
}

}  // namespace

TEST(FileIo, ProducedContentsTakeEveryWayInAndAProducerThatFailsMidwayLeavesTheOldFile)
{
    const soramie::IoError unreadable{"source.txt", IoStep::Read, EIO};
    const struct {
        const char* name;
        IoStep refused;  // a step the folder refuses (Resolve: none)
        bool linked;
        WriteMode mode;
    } ways[] = {
        {"replaced", IoStep::Resolve, false, WriteMode::Replaced},
        {"no new file in the folder", IoStep::CreateTemp, false, WriteMode::InPlace},
        {"no rename in the folder", IoStep::Replace, false, WriteMode::InPlace},
        {"hard links", IoStep::Resolve, true, WriteMode::LinksKept},
    };
    for (const auto& way : ways) {
        TempTree t;
        const auto p = t.file("a.txt", "old contents, longer than the new");
        if (way.linked) fs::create_hard_link(p, t / "other-name");
        const auto names = namesIn(t.root());
        const auto fault = [&](IoStep at) { return at == way.refused && at != IoStep::Resolve ? EACCES : 0; };

        // Midway: part of the contents is written somewhere before the producer fails.
        auto r = writeFileSafely(p.string(), producing({"partial ", "bytes"}, unreadable), fault);
        ASSERT_FALSE(r) << way.name;
        EXPECT_EQ(r.error().path, "source.txt") << way.name << ": the producer's own failure";
        EXPECT_EQ(r.error().step, IoStep::Read) << way.name;
        EXPECT_EQ(contents(p), "old contents, longer than the new") << way.name;
        EXPECT_EQ(namesIn(t.root()), names) << way.name;

        std::uint64_t reported = 0;
        r = writeFileSafely(p.string(), producing({"new ", "", "contents"}), fault,
                            [&](soramie::ByteOffset done, soramie::ByteOffset total) {
                                EXPECT_EQ(done.value, total.value);
                                reported = done.value;
                            });
        ASSERT_TRUE(r) << way.name;
        EXPECT_EQ(r->mode, way.mode) << way.name;
        EXPECT_EQ(contents(p), "new contents") << way.name;
        EXPECT_EQ(r->stamp.size, 12u) << way.name;
        EXPECT_EQ(reported, 12u) << way.name;
        EXPECT_EQ(namesIn(t.root()), names) << way.name;
    }
}

TEST(FileIo, AProducedWriteThatFailsStopsTheProducerAndLeavesTheOldFile)
{
    TempTree t;
    const auto p = t.file("a.txt", "old");
    const std::string part(64 << 10, 'x');
    int handed = 0;
    const soramie::ByteProducer endless = [&](const soramie::ByteSink& sink) -> soramie::Status<soramie::IoError> {
        while (sink(part)) ++handed;
        return soramie::Ok{};
    };
    const auto refused =
        writeFileSafely(p.string(), endless, [](IoStep at) { return at == IoStep::Write ? ENOSPC : 0; });
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().step, IoStep::Write);
    EXPECT_EQ(handed, 0) << "a refused write never runs the producer";

    // A file size limit makes the disk "full" after 1 MB: the sink reports the
    // failure, the producer stops, and the old file stays.
    const auto writeUnderLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t{1} << 20, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto r = writeFileSafely(p.string(), endless);
        const bool ok = !r && r.error().step == IoStep::Write && r.error().errnoValue == EFBIG && handed == 16 &&
                        contents(p) == "old" && namesIn(t.root()) == std::vector<std::string>{"a.txt"};
        std::_Exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(writeUnderLimit(), ::testing::ExitedWithCode(0), "");
}
