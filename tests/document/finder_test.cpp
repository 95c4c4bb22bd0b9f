// SPDX-License-Identifier: MIT
// The document's finder against the literal search of the decoded text, and
// the cases a user meets: double-byte characters, undecodable bytes, letters
// without case, cancellation.
#include "document/finder.h"
#include "document/document.h"
#include "reference/literal_find.h"

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

Ranges allMatches(const Document& doc, const soramie::Matcher& m, std::uint64_t chunk = soramie::kFindChunkBytes)
{
    Ranges out;
    soramie::forEachMatch(
        doc, m,
        [&](FindMatch f) {
            out.emplace_back(f.from.value, f.to.value);
            return true;
        },
        nullptr, chunk);
    return out;
}

// Random text from pieces that trip byte searches: double-byte characters whose
// trail bytes are ASCII letters, lone lead bytes, NEC/IBM duplicate codes.
std::string randomText(std::mt19937& rng, std::size_t pieces)
{
    static const char* const kPieces[] = {"a",        "A",    "b",        "B",        "\x82\xa0", "\x83\x41",
                                          "\x83\x61", "\x81", "\r\n",     "\x87\x54", "\xed\x40", "\xfa\x5c",
                                          " ",        "\xb1", "\x88\x9f", "\x9f"};
    std::string s;
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    for (std::size_t i = 0; i < pieces; ++i) s += kPieces[pick(rng)];
    return s;
}

TEST(Finder, AgreesWithTheLiteralSearchOnRandomCp932Text)
{
    std::mt19937 rng(1234);
    // ASCII, a letter behind a double-byte character, a character with several
    // codes (text search), an undecodable byte, a letter that is also a trail byte.
    const std::u16string keywords[] = {u"ab", u"aB", u"\u3042a", u"\u2160", u"\xDC81", u"A", u"\u30a2", u"b\u3042"};
    for (int round = 0; round < 40; ++round) {
        const std::string text = randomText(rng, 200);
        const auto doc = Document::fromBytes(text);
        const ByteOffset middle = doc->byteOf(doc->charOf(ByteOffset(text.size() / 2)));
        for (const auto& keyword : keywords) {
            for (const LetterCase lc : {LetterCase::Exact, LetterCase::IgnoreAsciiCase}) {
                const auto m = soramie::makeKeywordMatcher(keyword, lc);
                const Ranges expected =
                    soramie::reference::literalMatches(text, keyword, lc == LetterCase::IgnoreAsciiCase);
                EXPECT_EQ(allMatches(*doc, *m, 16 + round), expected);
                const auto next = soramie::findNext(*doc, *m, middle);
                const auto after = std::find_if(expected.begin(), expected.end(),
                                                [&](const auto& r) { return r.first >= middle.value; });
                EXPECT_EQ(next.has_value(), after != expected.end());
                if (next) {
                    EXPECT_EQ(next->from.value, after->first);
                }
            }
        }
    }
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

TEST(Finder, StepsForwardAndBackFromTheCaret)
{
    const auto doc = Document::fromBytes("key .. key .. key");
    const auto m = soramie::makeKeywordMatcher(u"key", LetterCase::Exact);
    EXPECT_EQ(soramie::findNext(*doc, *m, ByteOffset(3))->from.value, 7u);
    EXPECT_EQ(soramie::findNext(*doc, *m, ByteOffset(15)), std::nullopt);
    EXPECT_EQ(soramie::findPrevious(*doc, *m, ByteOffset(14))->from.value, 7u);
    EXPECT_EQ(soramie::findPrevious(*doc, *m, ByteOffset(2)), std::nullopt);
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
