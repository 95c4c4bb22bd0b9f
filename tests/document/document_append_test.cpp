// SPDX-License-Identifier: MIT
// A document takes in what its file gains: only the new bytes are read, edits
// are kept, split characters join, and a file that no longer continues what the
// document holds is refused.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "document/document.h"
#include "document/edit_history.h"
#include "saved_bytes.h"
#include "search/temp_tree.h"

namespace soramie {
namespace {

void append(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

std::uint64_t sizeOf(const std::string& path)
{
    const auto stamp = currentStamp(path);
    return stamp ? stamp->size : 0;
}

// Every line of the document as text, compared with the file's lines.
void expectSameLines(const Document& doc, const std::string& bytes)
{
    ASSERT_EQ(testing::savedBytes(doc), bytes);
    const DocumentPtr fresh = Document::fromBytes(bytes);
    ASSERT_EQ(doc.lineCount(), fresh->lineCount());
    ASSERT_EQ(doc.charCount(), fresh->charCount());
    for (std::uint64_t n = 0; n < fresh->lineCount().value; ++n) {
        EXPECT_EQ(doc.lineStart(LineNo(n)), fresh->lineStart(LineNo(n))) << n;
        EXPECT_EQ(doc.lineEnd(LineNo(n)), fresh->lineEnd(LineNo(n))) << n;
    }
    EXPECT_EQ(doc.text(), fresh->text());
}

// Each row: what the file holds at open, then the writes appended to it one
// by one; a character or CR LF split across two writes reads as one once its
// second byte arrives, and an empty file grows like any other.
TEST(DocumentAppend, AppendedBytesBecomeTheEndWithTheStampAdvancedAndSplitCharactersJoined)
{
    const struct {
        std::string start;
        std::vector<std::string_view> writes;
    } cases[] = {
        {"first\r\nsecond\r\n", {"third\r\nfou", "rth\r\n", "\x82\xA0 kana\n"}},
        {"ab\x82", {"\xA0x\r", "\ny"}},  // あ, then CR LF, split
        {"", {"line\n"}},
    };
    for (const auto& c : cases) {
        const testing::TempTree tree;
        std::string bytes = c.start;
        const std::string path = tree.file("a.log", bytes).string();
        const DocumentPtr first = Document::fromFile(path).value();
        DocumentPtr d = first;
        for (const std::string_view more : c.writes) {
            append(path, more);
            bytes += more;
            auto grown = d->appended(sizeOf(path));
            ASSERT_TRUE(grown.ok()) << more;
            d = *grown;
            expectSameLines(*d, bytes);
            EXPECT_EQ(d->fileStamp()->size, bytes.size());
            EXPECT_EQ(d->fileStamp()->inode, first->fileStamp()->inode);
        }
        EXPECT_EQ(testing::savedBytes(*first), c.start) << "the first document is unchanged";
    }
}

TEST(DocumentAppend, EditsAndUndoStepsKeepTheirTextAndAllGainTheSameBytes)
{
    const testing::TempTree tree;
    const std::string path = tree.file("a.log", "one\r\ntwo\r\n").string();
    const DocumentPtr original = *Document::fromFile(path);
    EditHistory history(original);
    const DocumentPtr edited = original->edited(ByteOffset(0), ByteOffset(3), u"ONE");
    history.recordEdit(edited, ByteOffset(3), EditKind::Other, {});
    append(path, "three\r\n");
    auto grown = edited->appended(sizeOf(path));
    ASSERT_TRUE(grown.ok());
    EXPECT_EQ((*grown)->text(), u"ONE\r\ntwo\r\nthree\r\n");
    // The stamp a save compares with holds the appended bytes, not the edit.
    EXPECT_EQ((*grown)->fileStamp()->size, 17u);
    history.growAll(*grown);
    EXPECT_EQ(history.current().doc->text(), u"ONE\r\ntwo\r\nthree\r\n");
    EXPECT_TRUE(history.hasUnsavedEdits());
    EXPECT_EQ(history.undo().doc->text(), u"one\r\ntwo\r\nthree\r\n");
    // A document of another part of the file gains nothing.
    EXPECT_EQ((*grown)->appendedAlike(**grown), nullptr);
}

TEST(DocumentAppend, AFileThatNoLongerContinuesWhatTheDocumentHoldsIsRefused)
{
    const testing::TempTree tree;
    const std::string path = tree.file("a.log", "line one\r\nline two\r\n").string();
    DocumentPtr d = *Document::fromFile(path);
    append(path, "line three\r\n");
    d = *d->appended(sizeOf(path));
    // Rewritten from the start and longer than before: not an append.
    tree.file("a.log", "another writer, new text and longer than before\r\n");
    auto grown = d->appended(sizeOf(path));
    ASSERT_FALSE(grown.ok());
    EXPECT_EQ(grown.error().step, IoStep::Verify);
    // Also for the bytes the document read in place.
    const std::string other = tree.file("b.log", "alpha\r\n").string();
    const DocumentPtr b = *Document::fromFile(other);
    const int fd = ::open(other.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_EQ(::write(fd, "BETA\r\n and more\r\n", 18), 18);
    ::close(fd);
    auto fromB = b->appended(sizeOf(other));
    ASSERT_FALSE(fromB.ok());
    EXPECT_EQ(fromB.error().step, IoStep::Verify);
}

}  // namespace
}  // namespace soramie
