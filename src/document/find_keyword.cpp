// SPDX-License-Identifier: MIT
#include "document/find_keyword.h"

namespace soramie {

std::optional<CharPos> findFirstOccurrence(const Document& doc, std::u16string_view keyword, std::uint64_t chunkBytes,
                                           const FindProgress& progress)
{
    if (keyword.empty()) return std::nullopt;
    const auto matcher = makeKeywordMatcher(std::u16string(keyword), LetterCase::Exact);
    const std::optional<FindMatch> match = findNext(doc, *matcher, ByteOffset(0), nullptr, progress, chunkBytes);
    if (!match) return std::nullopt;
    return doc.charOf(match->from);
}

}  // namespace soramie
