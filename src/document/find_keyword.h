// SPDX-License-Identifier: MIT
// Where a keyword first occurs in a document's text: the search-hit display
// selects it there. Window-free; runs on the caller's thread.
#pragma once

#include "core/types.h"
#include "document/document.h"
#include "document/finder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace soramie {

// The character position of the first occurrence of `keyword` in the text of
// `doc`, compared unit by unit (case-sensitive, full-width and half-width
// forms different); nullopt when it does not occur or `keyword` is empty.
// Searches the part of `doc` that is indexed so far before it waits for the
// rest, and stops at the first occurrence: the work grows with the position of
// the hit and memory stays bounded whatever the document's size: findNext with
// a keyword matcher, from the start. `progress` is called after each stretch;
// its last call reaches the size when the keyword does not occur.
std::optional<CharPos> findFirstOccurrence(const Document& doc, std::u16string_view keyword,
                                           std::uint64_t chunkBytes = kFindChunkBytes,
                                           const FindProgress& progress = {});

}  // namespace soramie
