// SPDX-License-Identifier: MIT
// The document's finder — next from every character boundary, previous before
// every one, and the full list — agrees with the literal search of the decoded
// text, exact and with ASCII case folded, in one piece or edited into several,
// whatever the chunk size.
#include "document/document.h"
#include "document/finder.h"
#include "reference/literal_find.h"
#include "text_fuzz_input.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using soramie::ByteOffset;
using soramie::Document;
using soramie::FindMatch;

void check(bool ok)
{
    if (!ok) std::abort();
}

void compare(const Document& doc, const soramie::Matcher& matcher, const std::string& bytes,
             const std::vector<std::pair<std::uint64_t, std::uint64_t>>& expected, std::uint64_t chunk)
{
    std::vector<std::pair<std::uint64_t, std::uint64_t>> all;
    soramie::forEachMatch(
        doc, matcher,
        [&](FindMatch m) {
            all.emplace_back(m.from.value, m.to.value);
            return true;
        },
        nullptr, chunk);
    check(all == expected);
    // Every character boundary, as the literal decoding walks them.
    std::vector<std::uint64_t> bounds{0};
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t used = 0;
        soramie::cp932::decodeOne(std::string_view(bytes).substr(at), used);
        at += used;
        bounds.push_back(at);
    }
    for (const std::uint64_t b : bounds) {
        std::optional<FindMatch> next;
        for (const auto& m : expected) {
            if (m.first >= b) {
                next = FindMatch{ByteOffset(m.first), ByteOffset(m.second)};
                break;
            }
        }
        check(soramie::findNext(doc, matcher, ByteOffset(b), nullptr, {}, chunk) == next);
        std::optional<FindMatch> previous;
        for (const auto& m : expected) {
            if (m.second <= b) previous = FindMatch{ByteOffset(m.first), ByteOffset(m.second)};
        }
        check(soramie::findPrevious(doc, matcher, ByteOffset(b)) == previous);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const bool fold = (data[0] & 1) != 0;
    const std::uint64_t chunk = 16 + data[0] / 2 % 24;
    const std::size_t split = data[1];
    const auto parts = soramie::fuzz::fuzzParts(data + 2, size - 2, 2);
    // Keywords decoded from bytes include undecodable bytes and characters with
    // several codes, so both the byte and the text search are reached.
    const std::u16string keyword = soramie::cp932::decode(parts[0]);
    const std::string& text = parts[1];
    const auto expected = soramie::reference::literalMatches(text, keyword, fold);
    const auto matcher =
        soramie::makeKeywordMatcher(keyword, fold ? soramie::LetterCase::IgnoreAsciiCase : soramie::LetterCase::Exact);

    const auto whole = Document::fromBytes(text);
    compare(*whole, *matcher, text, expected, chunk);
    // The same bytes in pieces: an edit that removes a stretch and inserts it again.
    if (!text.empty()) {
        const std::size_t at = split % (text.size() + 1);
        const auto cut = whole->editedBytes(ByteOffset(at), ByteOffset(text.size()), "");
        const auto pieces = cut->editedBytes(ByteOffset(at), ByteOffset(at), std::string_view(text).substr(at));
        compare(*pieces, *matcher, text, expected, chunk);
    }
    return 0;
}
