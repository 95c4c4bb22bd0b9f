// SPDX-License-Identifier: MIT
// A document reads its file in place: what it does when the file is renamed
// over, rewritten in place or truncated under it, and what rewrites larger than
// memory should hold become.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/replace.h"
#include "document/document.h"
#include "document/private/source.h"
#include "reference/literal_algorithms.h"
#include "saved_bytes.h"
#include "search/temp_tree.h"

namespace soramie {
namespace {

// Lines of ASCII and kanji, CRLF-ended, n bytes or a few more.
std::string logBytes(std::size_t n)
{
    std::string s;
    s.reserve(n + 64);
    for (std::size_t line = 0; s.size() < n; ++line) {
        s += "2026-01-01 line " + std::to_string(line);
        if (line % 3 == 0) s += " \x8F\x88\x97\x9D\x82\xAA\x8A\xAE\x97\xB9";  // 処理が完了
        s += "\r\n";
    }
    return s;
}

// Overwrites the bytes at `at` in place (same file, same size).
void overwrite(const std::string& path, std::uint64_t at, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

// A log of 3 MB or more, written to a fresh folder and opened in place.
struct OpenedLog {
    explicit OpenedLog(std::size_t size = 3u << 20) : bytes(logBytes(size)) {}
    const testing::TempTree tree;
    const std::string bytes;
    const std::string path = tree.file("a.log", bytes).string();
    const DocumentPtr doc = Document::fromFile(path).value();
};

TEST(DocumentInPlace, AFileRenamedOverThePathLeavesTheDocumentReadingTheFileItOpened)
{
    const OpenedLog log;
    std::filesystem::rename(log.tree.file("b.log", logBytes(1000)), log.path);
    log.doc->waitIndexed();
    EXPECT_EQ(testing::savedBytes(*log.doc), log.bytes);
    EXPECT_EQ(log.doc->verify(ByteOffset(0), log.doc->size()), Integrity::Intact);
    EXPECT_FALSE(log.doc->shrank());
}

TEST(DocumentInPlace, BytesChangedInPlaceAreFoundWhenReadAgainAndRefusedForSavesAndRewrites)
{
    const OpenedLog log;
    const std::string& path = log.path;
    const Document& doc = *log.doc;
    doc.waitIndexed();
    const LineNo line = doc.lineOf(ByteOffset(2u << 20));
    overwrite(path, doc.lineStart(line).value, "X");
    // Nothing read the changed block yet; the bytes of the line, read for the
    // screen, are checked first.
    EXPECT_EQ(doc.integrity(), Integrity::Intact);
    std::string scratch;
    (void)doc.bytes(doc.lineStart(line), doc.lineEnd(line), scratch);
    EXPECT_EQ(doc.integrity(), Integrity::Changed);

    const auto again = Document::fromFile(path);
    ASSERT_TRUE(again.ok());
    overwrite(path, 100, "Y");
    EXPECT_EQ((*again)->verify(ByteOffset(1u << 20), ByteOffset((1u << 20) + 50)), Integrity::Intact)
        << "only the blocks asked for";
    EXPECT_EQ((*again)->verify(ByteOffset(0), (*again)->size()), Integrity::Changed);
    const auto save = (*again)->slicesToSave();
    ASSERT_FALSE(save.ok());
    EXPECT_EQ(save.error().step, IoStep::Verify);
    StringReplaceStream replace(u"line", u"LINE", InsideReplacement::Replace);
    const auto rewritten = (*again)->rewritten(replace);
    ASSERT_FALSE(rewritten.ok());
    EXPECT_EQ(rewritten.error().step, IoStep::Verify);
}

TEST(DocumentInPlace, ATruncatedFileUnderALiveDocumentReadsAsZerosInsteadOfCrashingAndIsReportedChanged)
{
    const OpenedLog log;
    const Document& doc = *log.doc;
    doc.waitIndexed();
    ASSERT_EQ(::truncate(log.path.c_str(), 4096), 0);
    std::string scratch;
    const std::string_view tail = doc.bytes(doc.size() - 10, doc.size(), scratch);  // a vanished page
    EXPECT_EQ(tail, std::string(10, '\0'));
    EXPECT_EQ(doc.integrity(), Integrity::Changed);
    EXPECT_EQ(doc.lineStart(doc.lineOf(doc.size())).value, doc.lineStart(LineNo(doc.lineCount().value - 1)).value);
    EXPECT_EQ(doc.size().value, log.bytes.size()) << "a document never changes once loaded";
    EXPECT_FALSE(doc.slicesToSave().ok());
}

TEST(DocumentInPlace, EditsOfASmallFileKeepTheBytesTheyWereMadeFromWhenTheFileChangesLater)
{
    const OpenedLog log;
    const DocumentPtr edited = log.doc->edited(ByteOffset(0), ByteOffset(4), u"1999");
    overwrite(log.path, 2u << 20, "changed");
    EXPECT_EQ(testing::savedBytes(*edited), "1999" + log.bytes.substr(4));
    EXPECT_EQ(edited->integrity(), Integrity::Intact);
    EXPECT_EQ(log.doc->verify(ByteOffset(0), log.doc->size()), Integrity::Changed);
}

TEST(DocumentInPlace, AFileThatShrankBeforeItWasReadEndsAtItsNewEndAndNotInsideACharacter)
{
    const testing::TempTree tree;
    std::string bytes = logBytes(5u << 20);
    const std::uint64_t cut = (3u << 20) + 1;
    bytes[cut - 1] = '\x82';  // あ, cut after its lead byte
    bytes[cut] = '\xA0';
    const std::string path = tree.file("a.log", bytes).string();
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(cut)), 0);
    const auto opened = Document::Impl::openFile(path, bytes.size());
    ASSERT_TRUE(opened.ok());
    const Document& doc = **opened;
    doc.waitIndexed();
    EXPECT_TRUE(doc.shrank());
    EXPECT_FALSE(doc.loadError());
    const std::string kept = bytes.substr(0, cut - 1);
    EXPECT_EQ(doc.size().value, kept.size());
    EXPECT_EQ(
        reference::indexMismatch(doc, kept, [](std::uint64_t at) { return at % 997 < 4 || at + 300 > (3u << 20); }),
        "");
    EXPECT_EQ(testing::savedBytes(doc), kept);
    EXPECT_EQ(doc.integrity(), Integrity::Intact);
}

TEST(DocumentRewrite, OutputLargerThanTheBoundIsReadFromAnUnnamedPrivateFileAndHoldsWhatAStringWould)
{
    const OpenedLog log(Document::kSpillAbove + (1u << 20));
    const DocumentPtr& opened = log.doc;
    StringReplaceStream inMemory(u"完了", u"\U0001F600", InsideReplacement::Replace);  // no CP932 code: remembered
    const std::string expected = opened->rewrite(inMemory);
    StringReplaceStream spilled(u"完了", u"\U0001F600", InsideReplacement::Replace);
    const auto made = opened->rewritten(spilled);
    ASSERT_TRUE(made.ok());
    const Document& doc = **made;
    doc.waitIndexed();
    EXPECT_EQ(testing::savedBytes(doc), expected);
    const DocumentPtr reference = Document::fromRewrite(expected, inMemory);
    reference->waitIndexed();
    EXPECT_EQ(doc.substitutions().size(), reference->substitutions().size());
    EXPECT_EQ(doc.text(CharPos(0), CharCount(200)), reference->text(CharPos(0), CharCount(200)));
    EXPECT_EQ(doc.lineCount(), reference->lineCount());
    EXPECT_EQ(doc.charCount(), reference->charCount());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(log.tree.root()), {}), 1)
        << "no name left beside the file";
    // Derived from the file, not from the spill file: a save compares with the file as read.
    EXPECT_TRUE(doc.fileStamp() && opened->fileStamp() && *doc.fileStamp() == *opened->fileStamp());
    StringReplaceStream small(u"完了", u"済", InsideReplacement::Replace);
    const auto edited = opened->edited(ByteOffset(0), ByteOffset(0), u"x");
    const auto fromEdited = edited->rewritten(small);
    ASSERT_TRUE(fromEdited.ok());
    EXPECT_TRUE((*fromEdited)->fileStamp() == opened->fileStamp());
}

}  // namespace
}  // namespace soramie

namespace soramie {
namespace {

TEST(DocumentInPlace, AnEditedFileTooLargeForAPrivateCopyNeverShowsBytesChangedUnderIt)
{
    const OpenedLog log(Document::kPrivateCopyMax + (1u << 20));
    const DocumentPtr edited = log.doc->edited(ByteOffset(0), ByteOffset(4), u"1999");
    const auto lineAt = [&](std::uint64_t b) {
        const LineNo line = edited->lineOf(ByteOffset(b));
        return std::pair(edited->lineStart(line), edited->lineEnd(line));
    };
    const auto [from, to] = lineAt(std::uint64_t{32} << 20);
    const auto [farFrom, farTo] = lineAt(std::uint64_t{48} << 20);
    const std::string line = log.bytes.substr(from.value, to.value - from.value);
    std::string scratch;
    ASSERT_EQ(edited->bytes(from, to, scratch), line);

    // The same file, the same size, other bytes at the start of the line.
    overwrite(log.path, from.value, "ZZZZ");
    const std::string shown(edited->bytes(from, to, scratch));
    EXPECT_EQ(shown.size(), line.size()) << "positions stay";
    EXPECT_EQ(shown.find('Z'), std::string::npos) << shown;
    EXPECT_NE(shown, line) << "the changed block is not shown as it was either: the document cannot vouch for it";
    EXPECT_EQ(edited->textOfBytes(from, to).find(u'Z'), std::u16string::npos);
    EXPECT_EQ(edited->integrity(), Integrity::Changed) << "so the window says so";

    // What the document still vouches for is shown as it was: typed text and
    // blocks the change did not reach.
    EXPECT_EQ(edited->bytes(ByteOffset(0), ByteOffset(4), scratch), "1999");
    EXPECT_EQ(edited->bytes(farFrom, farTo, scratch), log.bytes.substr(farFrom.value, farTo.value - farFrom.value));
    EXPECT_FALSE(edited->slicesToSave().ok());
}

}  // namespace
}  // namespace soramie
