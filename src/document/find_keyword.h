// SPDX-License-Identifier: MIT
// Where a keyword first occurs in a document's text: the search-hit display
// selects it there. Window-free; runs on the caller's thread.
#pragma once

#include "core/types.h"
#include "document/document.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace soramie {

inline constexpr std::uint64_t kFindChunkBytes = 4u << 20;

// Bytes of the document searched so far, of its size; called on the searching
// thread after each stretch (the last call reaches the size when the keyword
// does not occur).
using FindProgress = std::function<void(ByteOffset done, ByteOffset total)>;

// The character position of the first occurrence of `keyword` in the text of
// `doc`, compared unit by unit (case-sensitive, full-width and half-width
// forms different); nullopt when it does not occur or `keyword` is empty.
// Searches the part of `doc` that is indexed so far before it waits for the
// rest, and stops at the first occurrence: the work grows with the position of
// the hit and memory stays bounded whatever the document's size. A keyword with
// one CP932 spelling is searched in the bytes (a match counts only where it
// starts on a character boundary); any other keyword in the text decoded
// `chunkBytes` (at least 16) at a time.
std::optional<CharPos> findFirstOccurrence(const Document& doc, std::u16string_view keyword,
                                           std::uint64_t chunkBytes = kFindChunkBytes,
                                           const FindProgress& progress = {});

}  // namespace soramie
