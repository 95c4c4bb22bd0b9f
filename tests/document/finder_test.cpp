// SPDX-License-Identifier: MIT
// The document's finder in the cases a user meets: double-byte characters,
// letters without case, remembered characters, line numbers, cancellation. The
// finder fuzz target holds every match, next and previous to the literal search.
#include "document/finder.h"
#include "document/document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using soramie::ByteOffset;
using soramie::Document;
using soramie::FindMatch;
using soramie::LetterCase;

using Ranges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

Ranges allMatches(const Document& doc, const soramie::Matcher& m)
{
    Ranges out;
    soramie::forEachMatch(
        doc, m,
        [&](FindMatch f) {
            out.emplace_back(f.from.value, f.to.value);
            return true;
        },
        nullptr);
    return out;
}

TEST(Finder, MatchesOnlyWholeCharactersAndFoldsOnlyAsciiLetters)
{
    // 83 41 is "ア": its trail byte is 'A' but is no match for "A"; 83 61 ("ャ")
    // is not "ア" with the case of its trail byte folded.
    const auto doc = Document::fromBytes("\x83\x41\x83\x61 a A \xef\xbd\x81");
    const auto a = soramie::makeKeywordMatcher(u"a", LetterCase::IgnoreAsciiCase);
    EXPECT_EQ(allMatches(*doc, *a), (Ranges{{5, 6}, {7, 8}}));
    const auto kana = soramie::makeKeywordMatcher(u"\u30a2", LetterCase::IgnoreAsciiCase);
    EXPECT_EQ(allMatches(*doc, *kana), (Ranges{{0, 2}}));
    // The full-width letter keeps its case.
    const auto wide = soramie::makeKeywordMatcher(u"\uff21", LetterCase::IgnoreAsciiCase);
    EXPECT_TRUE(allMatches(*doc, *wide).empty());
}

TEST(Finder, FindsRememberedCharactersOfAnEditedDocument)
{
    // "€" has no CP932 code: stored as '?', found as itself, and '?' is not "€".
    const auto doc = Document::fromBytes("price ? ")->edited(ByteOffset(8), ByteOffset(8), u"\u20ac1");
    const auto euro = soramie::makeKeywordMatcher(u"\u20ac", LetterCase::Exact);
    EXPECT_EQ(allMatches(*doc, *euro), (Ranges{{8, 9}}));
    const auto question = soramie::makeKeywordMatcher(u"?", LetterCase::Exact);
    EXPECT_EQ(allMatches(*doc, *question), (Ranges{{6, 7}}));
}

TEST(Finder, MatchingLinesAreTheDocumentsLinesWhateverTheLineBreaks)
{
    std::mt19937 rng(99);
    static const char* const kPieces[] = {"a", "x", "\r\n", "\r", "\n", "\x82\xa0", "\r\r\n", "aa"};
    for (int round = 0; round < 30; ++round) {
        std::string text;
        for (int i = 0; i < 120; ++i) text += kPieces[rng() % std::size(kPieces)];
        const auto doc = Document::fromBytes(text);
        const auto m = soramie::makeKeywordMatcher(u"a", LetterCase::Exact);
        std::vector<std::uint64_t> expected;
        std::vector<std::uint64_t> lines;
        soramie::forEachMatchWithLine(
            *doc, *m,
            [&](FindMatch f, soramie::LineNo line) {
                expected.push_back(doc->lineOf(f.from).value);
                lines.push_back(line.value);
                return true;
            },
            nullptr, 16 + static_cast<std::uint64_t>(round));
        EXPECT_EQ(lines, expected) << round;
    }
}

TEST(Finder, ACancelledCountStopsAndSaysSo)
{
    const auto doc = Document::fromBytes(std::string(1 << 20, 'x'));
    const auto m = soramie::makeKeywordMatcher(u"x", LetterCase::Exact);
    soramie::CancelFlag cancel{false};
    std::uint64_t seen = 0;
    const auto end = soramie::forEachMatch(
        *doc, *m,
        [&](FindMatch) {
            if (++seen == 1000) cancel = true;
            return true;
        },
        &cancel, 4096);
    EXPECT_EQ(end, soramie::ScanEnd::Cancelled);
    EXPECT_LT(seen, 1u << 20);
    EXPECT_EQ(soramie::findNext(*doc, *m, ByteOffset(0), &cancel), std::nullopt);
}

}  // namespace
