// SPDX-License-Identifier: MIT
// Where the hit display finds the keyword in a document.
#include "document/find_keyword.h"
#include "document/document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using soramie::Document;
using soramie::findFirstOccurrence;

std::string repeated(std::string_view unit, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i) s += unit;
    return s;
}

// Occurrences across chunk boundaries, after double-byte and undecodable
// characters; byte matches that do not start a character do not count.
TEST(FindKeyword, FindsTheFirstOccurrenceInCharactersWhateverTheChunkSize)
{
    // "あ" = 82 A0; 0x81 before a space is one undecodable character.
    const std::string prefix = repeated("\x82\xa0", 20) + "\x81 yz";
    const auto ascii = Document::fromBytes(prefix + "key" + "key");
    EXPECT_EQ(findFirstOccurrence(*ascii, u"key")->value, 24u);

    // "ャー" = 83 83 81 5B holds the bytes of "メ" (83 81) across its characters.
    const auto kana = Document::fromBytes("\x83\x83\x81\x5b\x83\x81");
    EXPECT_EQ(findFirstOccurrence(*kana, u"\u30e1")->value, 2u);

    // "≒" has two codes (81 E0 and 87 90), so the text is searched.
    const auto nec = Document::fromBytes(repeated("\x82\xa0", 20) + "\x87\x90x");
    for (std::uint64_t chunk : {16, 17, 41, 42, 1 << 20})
        EXPECT_EQ(findFirstOccurrence(*nec, u"\u2252x", chunk)->value, 20u) << chunk;

    // A large document is searched while it is still being indexed.
    std::string big(32 << 20, 'a');
    big.replace(big.size() - 10, 6, "tail\x87\x90");
    const auto large = Document::fromBytes(std::move(big));
    EXPECT_EQ(findFirstOccurrence(*large, u"tail\u2252")->value, (32u << 20) - 10);
}

TEST(FindKeyword, AnEmptyOrMissingKeywordIsNotFoundAndProgressReachesTheSize)
{
    const auto doc = Document::fromBytes("\x83\x83\x81\x5b abc");
    EXPECT_EQ(findFirstOccurrence(*doc, u""), std::nullopt);
    for (const std::u16string_view keyword : {u"\u30e1", u"\u2252"}) {  // searched as bytes, as text
        std::uint64_t last = 0;
        const auto found =
            findFirstOccurrence(*doc, keyword, 16, [&](soramie::ByteOffset done, soramie::ByteOffset total) {
                EXPECT_EQ(total, doc->size());
                last = done.value;
            });
        EXPECT_EQ(found, std::nullopt);
        EXPECT_EQ(last, doc->size().value);
    }
}

}  // namespace
