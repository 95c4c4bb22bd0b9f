// SPDX-License-Identifier: MIT
// The HTML export and file removal, on real files.
#include "core/html_export.h"
#include "core/file_io.h"
#include "core/html_page.h"
#include "core/read_windows.h"

#include "search/temp_tree.h"
#include "ui/support/address_space.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;
using soramie::ByteOffset;
using soramie::exportHtmlPage;
using soramie::HtmlExportStage;
using soramie::IoStep;
using soramie::removeFile;
using soramie::testing::TempTree;

namespace {

std::string pageOf(std::string_view source)
{
    std::string page;
    soramie::appendHtmlPageBytes(source, page);
    return page;
}

TEST(HtmlExport, WritesThePageOfTheWholeSourceReadWindowByWindow)
{
    TempTree tree;
    // A CR LF split by the first window's end, '<' and '>', double-byte
    // characters and a lone CR: the page must equal the one built from the
    // source in one piece.
    std::string source(soramie::kReadWindow - 1, 'a');
    source += "\r\n<b>\x82\xA0\xE0\x40\rlast";
    const std::string sourcePath = tree.file("a.txt", source).string();
    const std::string pagePath = tree.file("a.txt.html", "an older, longer page").string();
    std::uint64_t lastDone = 0;
    std::uint64_t lastTotal = 0;
    const auto exported = exportHtmlPage(sourcePath, pagePath, [&](ByteOffset done, ByteOffset total) {
        EXPECT_GT(done.value, lastDone);
        EXPECT_GE(total.value, done.value);
        lastDone = done.value;
        lastTotal = total.value;
    });
    ASSERT_TRUE(exported.ok());
    EXPECT_EQ(soramie::readWholeFile(pagePath).value(), pageOf(source)) << "the older page is replaced";
    EXPECT_EQ(exported->written.mode, soramie::WriteMode::Replaced);
    EXPECT_EQ(lastDone, source.size());
    EXPECT_EQ(lastTotal, source.size());
}

TEST(HtmlExport, ASourceThatIsNotAReadableRegularFileWritesNothingAndAnUnwritablePageIsTheFailedStep)
{
    TempTree tree;
    const fs::path fifo = tree / "fifo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string source;
        IoStep step;
        int errnoValue;
    } cases[] = {
        {fifo.string(), IoStep::Read, EINVAL},  // would block
        {"/dev/null", IoStep::Read, EINVAL},    // a device
        {tree.folder("dir.txt").string(), IoStep::Read, EISDIR},
        {(tree / "missing.txt").string(), IoStep::Open, ENOENT},
    };
    const std::string pagePath = tree.file("page.html", "the older page").string();
    for (const auto& c : cases) {
        const auto exported = exportHtmlPage(c.source, pagePath);
        ASSERT_FALSE(exported.ok()) << c.source;
        EXPECT_EQ(exported.error().stage, HtmlExportStage::ReadSource) << c.source;
        EXPECT_EQ(exported.error().io.path, c.source);
        EXPECT_EQ(exported.error().io.step, c.step) << c.source;
        EXPECT_EQ(exported.error().io.errnoValue, c.errnoValue) << c.source;
        EXPECT_EQ(soramie::readWholeFile(pagePath).value(), "the older page") << c.source;
        EXPECT_EQ(std::distance(fs::directory_iterator(tree.root()), fs::directory_iterator()), 3) << c.source;
    }
    const std::string unwritable = (tree / "no-such-folder" / "a.txt.html").string();
    const auto exported = exportHtmlPage(tree.file("a.txt", "text").string(), unwritable);
    ASSERT_FALSE(exported.ok());
    EXPECT_EQ(exported.error().stage, HtmlExportStage::WritePage);
    EXPECT_EQ(exported.error().io.path, unwritable);
}

TEST(HtmlExport, ThePageOfASourceFarLargerThanTheMemoryLeftIsWrittenWhole)
{
    if (soramie::testing::kSanitized) GTEST_SKIP() << "address space limits do not apply under sanitizers";
    TempTree tree;
    // 64 MB of markup that the page makes three times longer; the export has
    // 16 MB of address space to spare.
    std::string source;
    source.reserve(std::size_t{64} << 20);
    while (source.size() < (std::size_t{64} << 20)) source += "<\x82\xA0>\r\n";
    const std::string sourcePath = tree.file("big.txt", source).string();
    const std::string pagePath = sourcePath + ".html";
    EXPECT_EXIT(
        {
            soramie::testing::limitAddressSpace(std::uint64_t{16} << 20);
            std::_Exit(exportHtmlPage(sourcePath, pagePath).ok() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(soramie::readWholeFile(pagePath).value() == pageOf(source)) << "the page differs";
}

TEST(RemoveFile, RemovesAFileOrALinkButNeverAFolderAReadOnlyFileOrWhatALinkPointsTo)
{
    TempTree tree;
    const fs::path plain = tree.file("plain.txt", "x");
    ASSERT_TRUE(removeFile(plain.string()).ok());
    EXPECT_FALSE(fs::exists(fs::symlink_status(plain)));

    const fs::path target = tree.file("target.txt", "kept");
    const fs::path link = tree / "link.txt";
    fs::create_symlink(target, link);
    ASSERT_TRUE(removeFile(link.string()).ok());
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(fs::exists(target));

    const fs::path readOnly = tree.file("read-only.txt", "x");
    ::chmod(readOnly.c_str(), 0444);
    const fs::path folder = tree.folder("folder.txt");
    const std::pair<fs::path, int> refused[] = {{readOnly, EACCES}, {folder, EISDIR}};
    for (const auto& [path, errnoValue] : refused) {
        const auto removed = removeFile(path.string());
        ASSERT_FALSE(removed.ok()) << path;
        EXPECT_EQ(removed.error().step, IoStep::Remove) << path;
        EXPECT_EQ(removed.error().errnoValue, errnoValue) << path;
        EXPECT_TRUE(fs::exists(path)) << path;
    }
    const auto missing = removeFile((tree / "missing.txt").string());
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().errnoValue, ENOENT);
}

}  // namespace
