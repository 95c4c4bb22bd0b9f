// SPDX-License-Identifier: MIT
#include "document/document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "core/cp932.h"
#include "core/replace.h"
#include "core/wrap.h"
#include "reference/literal_algorithms.h"
#include "search/temp_tree.h"

namespace soramie {
namespace {

// Random CP932-ish bytes: ASCII, CR/LF mixes, kanji, half-width kana, lone and
// invalid lead bytes, single bytes 0x80/0xA0/0xFD-0xFF.
std::string randomBytes(std::mt19937& rng, std::size_t n)
{
    using namespace std::string_literals;  // "\0"s holds the NUL byte; a plain "\x00" would be empty
    static const std::vector<std::string> pieces = {
        "a",    "Z",        " ",        "\t",       "\r",   "\n",   "\r\n", "\n\r", "\x82\xA0", "\x88\x9F", "\xB1",
        "\x81", "\x81\x20", "\x85\x40", "\xEF\x40", "\x80", "\xA0", "\xFD", "\xFF", "\xFC\xFC", "\xED\x40", "\0"s};
    std::string s;
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    while (s.size() < n) s += pieces[pick(rng)];
    s.resize(n);
    return s;
}

// A big file: the first chunk is indexed at once, the rest in parallel chunks
// from 64 KiB and then every 8 MiB, with position checkpoints every 4 KiB. The
// index is compared at starts near the chunk edges and at a stride that falls
// at every distance from a checkpoint.
TEST(DocumentIndex, AFileIsIndexedInParallelChunksAndAnswersFromThePartIndexedWhileItGrows)
{
    std::mt19937 rng(11);
    std::string bytes = randomBytes(rng, 12u << 20);
    bytes[65535] = '\r';  // a CR LF and a character across chunk and checkpoint edges
    bytes[65536] = '\n';
    bytes[4095] = '\x82';
    bytes[4096] = '\xA0';
    bytes[65535 + (8u << 20)] = '\x82';
    bytes[65536 + (8u << 20)] = '\xA0';
    const testing::TempTree tree;
    const auto opened = Document::fromFile(tree.file("big", bytes).string());
    ASSERT_TRUE(opened.ok());
    const Document& doc = **opened;
    const auto lines = reference::lineStarts(bytes);
    const auto chars = reference::charStarts(bytes);
    do {
        const std::uint64_t known = doc.lineCount().value;
        const std::uint64_t indexedChars = doc.charCount().value;
        ASSERT_LE(known, lines.size());
        ASSERT_EQ(doc.lineStart(LineNo(known - 1)).value, lines[known - 1]);
        ASSERT_EQ(doc.byteOf(CharPos(indexedChars)).value, chars[indexedChars]);
    } while (!doc.indexed());
    EXPECT_EQ(doc.bytesForSave(), bytes);
    EXPECT_FALSE(doc.loadError());
    const auto pick = [](std::uint64_t at) {
        const auto near = [at](std::uint64_t edge) { return at + 5000 > edge && at < edge + 5000; };
        return at % 4099 < 8 || near(65536) || near(65536 + (8u << 20)) || near(12u << 20);
    };
    EXPECT_EQ(reference::indexMismatch(doc, bytes, pick), "");
}

TEST(DocumentText, CharactersWithoutACodeAreReportedAndKeptWhereCommandsMoveThem)
{
    const std::u16string text = u"a\U0001F600b\u00E9c";
    const auto r = Document::fromText(text);
    EXPECT_EQ(r.unencodableCount, 3u);
    ASSERT_TRUE(r.firstUnencodable);
    EXPECT_EQ(r.firstUnencodable->value, 1u);
    EXPECT_EQ(r.document->bytesForSave(), "a??b?c");
    const auto again = r.document->withText(text + u"!");  // a rewrite elsewhere keeps them
    EXPECT_EQ(again.document->text(), text + u"!");
    EXPECT_EQ(again.unencodableCount, 3u);
    // A replacement brings in € (no CP932 code); a wrap afterwards moves it.
    StringReplaceStream replace(u"a", u"€", InsideReplacement::Replace);
    const auto replaced = Document::fromRewrite(Document::fromBytes("ab ab")->rewrite(replace), replace);
    WrapStream wrap(WrapWidth{2});
    const auto wrapped = Document::fromRewrite(replaced->rewrite(wrap), wrap);
    EXPECT_EQ(wrapped->text(), u"€b\r\n €\r\nb");
    EXPECT_EQ(wrapped->bytesForSave(), "?b\r\n ?\r\nb");
    // Ranges of text decode undecodable bytes as raw units.
    const auto raw = Document::fromBytes("\x82\xA0\x81\x20x");
    EXPECT_EQ(raw->text(CharPos(1), CharCount(2)), std::u16string(1, char16_t(0xDC81)) + u" ");
    EXPECT_EQ(raw->text(CharPos(3), CharCount(100)), u"x");
}

TEST(DocumentFile, AFileLargerThanTheMemoryLeftFailsWithEnomem)
{
#ifdef SORAMIE_SANITIZED
    GTEST_SKIP() << "the sanitizers need more address space than any limit leaves";
#endif
    // A sparse 1 GB file, opened in a child whose address space is limited to 256 MB.
    const testing::TempTree tree;
    const std::string path = tree.file("big", "").string();
    ASSERT_EQ(::truncate(path.c_str(), 1L << 30), 0);
    const auto openStarved = [&path] {
        const rlimit limit{256L << 20, 256L << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        const auto doc = Document::fromFile(path);
        ::_exit(!doc && doc.error().errnoValue == ENOMEM ? 0 : 1);
    };
    EXPECT_EXIT(openStarved(), ::testing::ExitedWithCode(0), "");
}

// An empty file stays empty; a file whose size reads as 0 while it has
// contents (a kernel's generated file) is read to its end.
TEST(DocumentFile, UnreadableFilesFailWithTheStepAFifoIsRefusedAndAFileOfSizeZeroIsReadToItsEnd)
{
    EXPECT_EQ(Document::fromFile("/nonexistent/soramie/x.txt").error().step, soramie::IoStep::Open);
    const testing::TempTree tree;
    ASSERT_EQ(::mkfifo((tree / "fifo").c_str(), 0600), 0);
    for (const auto& refused : {tree.root(), tree / "fifo"}) EXPECT_FALSE(Document::fromFile(refused.string()).ok());
    const auto e = Document::fromFile(tree.file("empty").string());
    ASSERT_TRUE(e.ok());
    EXPECT_EQ((*e)->size().value, 0u);
    EXPECT_EQ((*e)->lineCount().value, 1u);
    const DocumentPtr status = Document::fromFile("/proc/self/status").value();
    status->waitIndexed();
    EXPECT_EQ(status->text(CharPos(0), CharCount(5)), u"Name:");
    EXPECT_GT(status->lineCount().value, 2u);
}

}  // namespace
}  // namespace soramie
