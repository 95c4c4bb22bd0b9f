// SPDX-License-Identifier: MIT
#include "search/scan.h"

#include "core/cp932.h"
#include "search/temp_tree.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
namespace cp932 = soramie::cp932;
using namespace soramie::search;
using soramie::testing::TempTree;

std::string sjis(std::u16string_view text) { return cp932::encode(text).bytes; }

// Boundaries, duplicate codes and undecodable bytes are compared with decoding
// by the keyword-scan fuzz target; these are the cases it cannot draw.
TEST(KeywordMatcher, AKeywordNoCp932FileCanHoldIsNeverFound)
{
    EXPECT_FALSE(KeywordMatcher(u"\U0001F600").contains("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(KeywordMatcher(u"Error").contains(""));
    EXPECT_TRUE(KeywordMatcher(u"").contains(""));
}

TEST(KeywordMatcher, ReadsFilesInWindowsAndFindsMatchesAcrossTheirEdges)
{
    TempTree tree;
    const std::size_t chunk = KeywordMatcher::kMinChunkBytes;
    std::vector<char> buffer;
    auto check = [&](const std::string& name, const std::string& bytes, const std::u16string& keyword) {
        const auto found = KeywordMatcher(keyword).fileContains(tree.file(name, bytes), buffer, chunk).value();
        EXPECT_EQ(found, cp932::decode(bytes).find(keyword) != std::u16string::npos) << name;
    };
    // No byte below 0x40 anywhere: boundaries are only known by walking from the start.
    const std::string kanji = sjis(std::u16string(chunk, u'漢'));
    const std::string ka = sjis(u"カ");
    const std::string kaThenKanji = ka + kanji;
    const std::string textThenKanji = sjis(u"x∵") + kanji;
    for (int shift : {0, 1, 2, 3}) {
        const std::string head = kanji.substr(0, chunk - static_cast<std::size_t>(shift));
        check(std::to_string(shift) + "-edge", head + kaThenKanji, u"カ");
        check(std::to_string(shift) + "-text-edge", head + textThenKanji, u"x∵");
    }
    // A stray lead byte just before the edge shifts the pairing after it: the
    // bytes of カ then straddle two characters and are no match.
    check("misaligned", std::string(chunk - 1, 'a') + "\x83" + ka + std::string(10, 'a'), u"カ");
    check("misaligned-deep", "\x83" + kanji + kanji.substr(0, 2 * chunk - 1) + ka.substr(0, 1) + "\x40", u"カ");
    check("empty", "", u"カ");
}

TEST(ScanFiles, KeepsCandidateOrderAndListsUnreadableFilesApartWithProgressForEach)
{
    TempTree tree;
    std::vector<fs::path> candidates;
    std::vector<fs::path> expectedHits;
    for (int i = 0; i < 60; ++i) {
        const bool hit = i % 3 == 0;
        candidates.push_back(tree.file(std::to_string(i) + ".txt", hit ? sjis(u"ログ: エラー発生\r\n") : "ok\r\n"));
        if (hit) expectedHits.push_back(candidates.back());
    }
    candidates.insert(candidates.begin() + 5, tree / "vanished.txt");
    candidates.insert(candidates.begin() + 20, tree.folder("folder.txt"));
    candidates.push_back(tree.file("empty.txt"));

    std::size_t last = 0;
    ScanOptions options;
    options.progress = [&](std::size_t done, std::size_t total) {
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
    EXPECT_EQ(last, candidates.size()) << "progress after each candidate";

    const ScanResult all = scanFiles(candidates, u"");
    EXPECT_EQ(all.hits.size(), candidates.size() - 2) << "the empty keyword is in every readable file";
    std::atomic<bool> cancel{true};
    options = {};
    options.cancel = &cancel;
    const ScanResult cancelled = scanFiles(candidates, u"", options);
    EXPECT_TRUE(cancelled.cancelled && cancelled.hits.empty());
}

}  // namespace
