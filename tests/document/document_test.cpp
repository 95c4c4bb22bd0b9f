// SPDX-License-Identifier: MIT
#include "document/document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
    static const std::vector<std::string> pieces = {
        "a",    "Z",        " ",        "\t",       "\r",   "\n",   "\r\n", "\n\r", "\x82\xA0", "\x88\x9F", "\xB1",
        "\x81", "\x81\x20", "\x85\x40", "\xEF\x40", "\x80", "\xA0", "\xFD", "\xFF", "\xFC\xFC", "\xED\x40", "\x00"};
    std::string s;
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    while (s.size() < n) s += pieces[pick(rng)];
    s.resize(n);
    return s;
}

// Indices into starts (byte offsets) to check: all of them when there are fewer
// than all; else a random sample and the ones within reach of the chunk edges.
std::vector<std::size_t> sampleAround(const std::vector<std::uint64_t>& starts, std::size_t all, int random,
                                      std::size_t reach)
{
    std::vector<std::size_t> out;
    if (starts.size() < all) {
        for (std::size_t k = 0; k < starts.size(); ++k) out.push_back(k);
        return out;
    }
    std::mt19937 rng(1);
    for (int k = 0; k < random; ++k) out.push_back(rng() % starts.size());
    for (const std::uint64_t edge : {65536u, 65536u + (8u << 20)}) {
        const auto c = static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end(), edge) - starts.begin());
        for (std::size_t k = c > reach ? c - reach : 0; k < std::min(starts.size(), c + reach); ++k) out.push_back(k);
    }
    return out;
}

void expectIndexMatches(const Document& doc, const std::string& bytes)
{
    ASSERT_TRUE(doc.indexed());
    const auto lines = reference::lineStarts(bytes);
    ASSERT_EQ(doc.lineCount().value, lines.size());
    const auto lineSample = sampleAround(lines, 50000, 20000, 2000);
    for (const std::size_t n : lineSample) {
        ASSERT_EQ(doc.lineStart(LineNo(n)).value, lines[n]) << "line " << n;
        const std::uint64_t next = n + 1 < lines.size() ? lines[n + 1] : bytes.size();
        std::uint64_t end = next;
        if (n + 1 < lines.size()) {
            end = next - 1;
            if (bytes[end] == '\n' && end > lines[n] && bytes[end - 1] == '\r') --end;
        }
        ASSERT_EQ(doc.lineEnd(LineNo(n)).value, end) << "line " << n;
        if (n == 0) continue;
        ASSERT_EQ(doc.lineOf(ByteOffset(lines[n])).value, n);
        ASSERT_EQ(doc.lineOf(ByteOffset(lines[n] - 1)).value, n - 1);
    }
    const auto chars = reference::charStarts(bytes);
    ASSERT_EQ(doc.charCount().value, chars.size() - 1);
    const auto sample = sampleAround(chars, 100000, 3000, 300);
    for (const std::size_t c : sample) {
        ASSERT_EQ(doc.byteOf(CharPos(c)).value, chars[c]) << "char " << c;
        if (c + 1 == chars.size()) continue;
        for (std::uint64_t b = chars[c]; b < chars[c + 1]; ++b) ASSERT_EQ(doc.charOf(ByteOffset(b)).value, c);
    }
    EXPECT_EQ(doc.charOf(ByteOffset(bytes.size())).value, chars.size() - 1);
}

TEST(DocumentIndex, MatchesNaiveScanAcrossParallelChunks)
{
    // Large enough for background chunks; CR LF pairs and lead bytes are put on
    // both sides of the first chunk edge and of checkpoint edges.
    std::mt19937 rng(11);
    std::string bytes = randomBytes(rng, 9u << 20);
    bytes[65535] = '\r';
    bytes[65536] = '\n';
    bytes[4095] = '\x82';
    bytes[4096] = '\xA0';
    const auto doc = Document::fromBytes(bytes);
    doc->waitIndexed();
    expectIndexMatches(*doc, bytes);
}

TEST(DocumentIndex, AnswersFromThePartIndexedSoFarWhileItGrows)
{
    std::mt19937 rng(13);
    const std::string bytes = randomBytes(rng, 12u << 20);
    const auto lines = reference::lineStarts(bytes);
    const auto chars = reference::charStarts(bytes);
    const auto doc = Document::fromBytes(bytes);
    std::uint64_t checks = 0;
    do {
        const std::uint64_t known = doc->lineCount().value;
        const std::uint64_t indexedChars = doc->charCount().value;
        ASSERT_LE(known, lines.size());
        ASSERT_EQ(doc->lineStart(LineNo(known - 1)).value, lines[known - 1]);
        ASSERT_EQ(doc->byteOf(CharPos(indexedChars)).value, chars[indexedChars]);
        ++checks;
    } while (!doc->indexed());
    EXPECT_EQ(doc->lineCount().value, lines.size());
    EXPECT_GT(checks, 0u);
}

TEST(DocumentBytes, UnchangedDocumentsGiveBackTheirBytes)
{
    std::mt19937 rng(5);
    const std::string big = randomBytes(rng, 3u << 20);
    const testing::TempTree tree;
    const auto fromFile = Document::fromFile(tree.file("big", big).string());
    ASSERT_TRUE(fromFile.ok());
    EXPECT_EQ((*fromFile)->bytesForSave(), big);
    (*fromFile)->waitIndexed();
    expectIndexMatches(**fromFile, big);
    EXPECT_FALSE((*fromFile)->loadError());
}

TEST(DocumentBytes, UnencodableCharactersAreReportedAndKeptInText)
{
    const std::u16string text = u"a\U0001F600b\u00E9c";
    const auto r = Document::fromText(text);
    EXPECT_EQ(r.unencodableCount, 3u);
    ASSERT_TRUE(r.firstUnencodable);
    EXPECT_EQ(r.firstUnencodable->value, 1u);
    EXPECT_EQ(r.document->bytesForSave(), "a??b?c");
    EXPECT_EQ(r.document->text(), text);
    // A later rewrite elsewhere keeps them.
    const auto again = r.document->withText(text + u"!");
    EXPECT_EQ(again.document->text(), text + u"!");
    EXPECT_EQ(again.unencodableCount, 3u);
}

TEST(DocumentBytes, CommandsKeepCharactersWithoutACodeWhereTheyMove)
{
    // A replacement brings in € (no CP932 code); a wrap afterwards moves it.
    const auto doc = Document::fromBytes("ab ab");
    ChrReplaceStream replace(u"a", u"€", true);
    const auto replaced = Document::fromRewrite(doc->rewrite(replace), replace);
    EXPECT_EQ(replaced->text(), u"€b €b");
    WrapStream wrap(WrapWidth{2});
    const auto wrapped = Document::fromRewrite(replaced->rewrite(wrap), wrap);
    EXPECT_EQ(wrapped->text(), u"€b\r\n €\r\nb");
    EXPECT_EQ(wrapped->bytesForSave(), "?b\r\n ?\r\nb");
}

TEST(DocumentFile, AFileLargerThanTheMemoryLeftFailsWithEnomem)
{
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address sanitizer needs more address space than any limit leaves";
#endif
#endif
    // A sparse 1 GB file, opened in a child whose address space is limited to 256 MB.
    const testing::TempTree tree;
    const std::string path = tree.file("big", "").string();
    ASSERT_EQ(::truncate(path.c_str(), 1L << 30), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{256L << 20, 256L << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        const auto doc = Document::fromFile(path);
        ::_exit(!doc && doc.error().errnoValue == ENOMEM ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(DocumentFile, UnreadableFilesFailWithTheStep)
{
    const auto missing = Document::fromFile("/nonexistent/soramie/x.txt");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().step, soramie::IoStep::Open);
    const testing::TempTree tree;
    EXPECT_FALSE(Document::fromFile(tree.root().string()).ok());
    // A FIFO without a writer is refused at once instead of blocking the caller.
    ASSERT_EQ(::mkfifo((tree / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(Document::fromFile((tree / "fifo").string()).ok());
    const auto e = Document::fromFile(tree.file("empty").string());
    ASSERT_TRUE(e.ok());
    EXPECT_EQ((*e)->size().value, 0u);
    EXPECT_EQ((*e)->lineCount().value, 1u);
}

TEST(DocumentText, RangesDecodeUndecodableBytesAsRawUnits)
{
    const auto doc = Document::fromBytes("\x82\xA0\x81\x20x");
    EXPECT_EQ(doc->text(), std::u16string(u"\u3042") + char16_t(0xDC81) + u" x");
    EXPECT_EQ(doc->text(CharPos(1), CharCount(2)), std::u16string(1, char16_t(0xDC81)) + u" ");
    EXPECT_EQ(doc->text(CharPos(3), CharCount(100)), u"x");
}

}  // namespace
}  // namespace soramie
