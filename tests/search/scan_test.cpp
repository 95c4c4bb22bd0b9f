// SPDX-License-Identifier: MIT
#include "search/scan.h"

#include "core/cp932.h"
#include "search/temp_tree.h"

#include <gtest/gtest.h>
#include <cstring>
#include <random>

namespace {

namespace fs = std::filesystem;
namespace cp932 = soramie::cp932;
using namespace soramie::search;
using soramie::testing::numbered;
using soramie::testing::TempTree;

// What the scan must agree with: decode everything, then look.
bool reference(std::string_view bytes, std::u16string_view keyword)
{
    return cp932::decode(bytes).find(keyword) != std::u16string::npos;
}

std::string sjis(std::u16string_view text) { return cp932::encode(text).bytes; }

// Boundaries, duplicate codes and undecodable bytes are compared with the
// decoding reference on random texts below; these are the cases it cannot draw.
TEST(KeywordMatcher, PicksItsPathAndHandlesKeywordsNoFileHolds)
{
    EXPECT_TRUE(KeywordMatcher(u"A").searchesBytes());
    EXPECT_FALSE(KeywordMatcher(u"x∵").searchesBytes()) << "several codes need the decoding path";
    EXPECT_FALSE(KeywordMatcher(u"Error").contains(""));
    EXPECT_TRUE(KeywordMatcher(u"").contains(""));
    EXPECT_FALSE(KeywordMatcher(u"\U0001F600").contains("\xF0\x9F\x98\x80")) << "no CP932 file holds it";
    EXPECT_FALSE(KeywordMatcher(u"エラー").contains(sjis(u"ｴﾗｰ"))) << "half-width is not full-width";
}

TEST(ByteFinder, FindsTheSameFirstOccurrenceAsMemmem)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 3);  // a small alphabet makes near-misses common
    const char alphabet[] = {'\x83', 'A', '@', '\n'};
    for (int round = 0; round < 2000; ++round) {
        std::string hay(static_cast<std::size_t>(round % 97), ' ');
        for (char& c : hay) c = alphabet[byte(rng)];
        std::string needle(static_cast<std::size_t>(1 + round % 7), ' ');
        for (char& c : needle) c = alphabet[byte(rng)];
        if (round % 3 == 0 && hay.size() >= needle.size())
            hay.replace(hay.size() - needle.size(), needle.size(), needle);
        const ByteFinder finder(needle);
        const void* expected = ::memmem(hay.data(), hay.size(), needle.data(), needle.size());
        ASSERT_EQ(static_cast<const void*>(finder.find(hay.data(), hay.size())), expected) << "round " << round;
    }
}

// Bytes that exercise boundaries: pairs whose trail bytes are ASCII, stray and
// unassigned lead bytes, single-byte specials, line breaks, duplicated codes.
std::string randomText(std::mt19937& rng, std::size_t pieces)
{
    static const std::string_view kPieces[] = {
        "A",    "a",    "@",        "\\",   "\r\n", " ",    "\x83\x41", "\x83\x5C", "\x81\xE6", "\x87\x9A", "\xFA\x5B",
        "\x81", "\x83", "\x85\x40", "\xB1", "\x80", "\xA0", "\xFD",     "\xEF\x40", "\x82\xA0", "\xE0"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    std::string s;
    for (std::size_t i = 0; i < pieces; ++i) s += kPieces[pick(rng)];
    return s;
}

TEST(KeywordMatcher, AgreesWithDecodeAndFindForEveryWindowSize)
{
    const std::u16string keywords[] = {u"A",
                                       u"@",
                                       u"\\",
                                       u"ア",
                                       u"ソ",
                                       u"Aア",
                                       u"ア\\A",
                                       u"ｱ",
                                       u"\u0080",
                                       u"\uF8F0",
                                       u"∵",
                                       u"A∵",
                                       std::u16string{cp932::rawByteUnit(0x81)},
                                       std::u16string{cp932::rawByteUnit(0x85), u'@'},
                                       u"\r\nA"};
    std::mt19937 rng(932);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomText(rng, 1 + round % 40);
        for (const auto& k : keywords) {
            const KeywordMatcher m(k);
            const bool expected = reference(text, k);
            for (std::size_t chunk : {1u, 2u, 3u, 5u, 8u, 1u << 20}) {
                ASSERT_EQ(m.contains(text, chunk), expected)
                    << "round " << round << " keyword length " << k.size() << " chunk " << chunk;
            }
        }
    }
}

TEST(KeywordMatcher, ReadsFilesInWindowsAndFindsMatchesAcrossTheirEdges)
{
    TempTree tree;
    const std::size_t chunk = KeywordMatcher::kMinChunkBytes;
    std::vector<char> buffer;
    auto check = [&](const std::string& name, const std::string& bytes, const std::u16string& keyword) {
        const auto path = tree.file(name, bytes);
        const auto r = KeywordMatcher(keyword).fileContains(path, buffer, chunk);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(*r, reference(bytes, keyword)) << name;
    };
    // No byte below 0x40 anywhere: boundaries are only known by walking from the start.
    const std::string kanji = sjis(std::u16string(chunk, u'漢'));
    const std::string ka = sjis(u"カ");
    for (int shift : {0, 1, 2, 3}) {
        const std::string head = kanji.substr(0, chunk - static_cast<std::size_t>(shift));
        check(numbered("edge", shift, ""), head + ka + kanji, u"カ");
        check(numbered("text-edge", shift, ""), head + sjis(u"x∵") + kanji, u"x∵");
    }
    // A stray lead byte just before the edge shifts the pairing after it: the
    // bytes of カ then straddle two characters and are no match.
    check("misaligned", std::string(chunk - 1, 'a') + "\x83" + ka + std::string(10, 'a'), u"カ");
    check("misaligned-deep", "\x83" + kanji + kanji.substr(0, 2 * chunk - 1) + ka.substr(0, 1) + "\x40", u"カ");
    check("empty", "", u"カ");
}

TEST(ScanFiles, KeepsCandidateOrderAndListsUnreadableFilesApart)
{
    TempTree tree;
    std::vector<fs::path> candidates;
    std::vector<fs::path> expectedHits;
    for (int i = 0; i < 60; ++i) {
        const bool hit = i % 3 == 0;
        candidates.push_back(tree.file(numbered("f", i, ".txt"), hit ? sjis(u"ログ: エラー発生\r\n") : "ok\r\n"));
        if (hit) expectedHits.push_back(candidates.back());
    }
    candidates.insert(candidates.begin() + 5, tree / "vanished.txt");
    candidates.insert(candidates.begin() + 20, tree.folder("folder.txt"));
    candidates.push_back(tree.file("empty.txt"));

    std::size_t calls = 0, last = 0;
    ScanOptions options;
    options.progress = [&](std::size_t done, std::size_t total) {
        ++calls;
        EXPECT_EQ(done, last + 1);
        EXPECT_EQ(total, candidates.size());
        last = done;
    };
    const ScanResult r = scanFiles(candidates, u"エラー", options);
    EXPECT_EQ(r.hits, expectedHits);
    ASSERT_EQ(r.unreadable.size(), 2u);
    EXPECT_EQ(r.unreadable[0].path, (tree / "vanished.txt").string());
    EXPECT_EQ(r.unreadable[0].errnoValue, ENOENT);
    EXPECT_EQ(r.unreadable[1].path, (tree / "folder.txt").string());
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(calls, candidates.size());

    const ScanResult all = scanFiles(candidates, u"");
    EXPECT_EQ(all.hits.size(), candidates.size() - 2) << "the empty keyword is in every readable file";
}

TEST(ScanFiles, CancelStopsBeforeFurtherFiles)
{
    TempTree tree;
    std::vector<fs::path> candidates;
    for (int i = 0; i < 20; ++i) candidates.push_back(tree.file(numbered("f", i, ".txt"), "key"));
    std::atomic<bool> cancel{true};
    ScanOptions options;
    options.cancel = &cancel;
    const ScanResult r = scanFiles(candidates, u"key", options);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.hits.empty());
    EXPECT_TRUE(scanFiles({}, u"key").hits.empty());
}

}  // namespace
