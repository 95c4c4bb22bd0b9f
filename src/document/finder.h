// SPDX-License-Identifier: MIT
// Finding a keyword in a document: the next match from a byte offset, the
// previous one before it, and every match in a range (the count and the
// matching lines). Window-free; every function runs on the caller's thread and
// may run on several threads at once over the same document and matcher.
//
// A match is a stretch of whole characters whose text equals the keyword: it
// starts on a character boundary (never inside a double-byte character) and an
// undecodable byte never equals a keyword character. Matches may overlap
// ("aa" occurs twice in "aaa").
#pragma once

#include "core/types.h"
#include "document/document.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace soramie {

// How letters compare.
enum class LetterCase : std::uint8_t {
    Exact,           // every unit as it is
    IgnoreAsciiCase  // A-Z equals a-z; other characters (full-width letters too) as they are
};

// Bytes [from, to) of one match.
struct FindMatch {
    ByteOffset from;
    ByteOffset to;
    friend bool operator==(const FindMatch&, const FindMatch&) = default;
};

inline constexpr std::uint64_t kFindChunkBytes = 4u << 20;

// Bytes of the document searched so far, of its size; called on the searching
// thread after each stretch.
using FindProgress = std::function<void(ByteOffset done, ByteOffset total)>;

// Set by another thread to stop a scan early; the scan then reports Cancelled.
using CancelFlag = std::atomic<bool>;

// Called for each match in document order; returning false stops the scan.
using MatchSink = std::function<bool(FindMatch)>;

enum class ScanEnd : std::uint8_t { Done, Stopped, Cancelled };

// What a search looks for. Immutable after construction; one matcher may be
// used by several threads at once.
class Matcher {
public:
    virtual ~Matcher() = default;
    // Calls sink for every match that starts in [from, startBelow) and ends at
    // or before `to`, in order. `from` is a character boundary and [from, to)
    // is indexed. Stops when sink returns false or cancel is set.
    virtual ScanEnd scan(const Document& doc, ByteOffset from, ByteOffset to, ByteOffset startBelow,
                         const MatchSink& sink, const CancelFlag* cancel) const = 0;
    // No match is longer than this many bytes (at least 1).
    virtual std::uint64_t maxMatchBytes() const = 0;
};

// A literal keyword. A keyword with one CP932 spelling is searched in the bytes
// (SSE2 byte finder, ASCII letters folded where asked); any other keyword in the
// decoded text. An undecodable-byte unit in the keyword (U+DC80..U+DCFF, as the
// folder search decodes keywords) matches only that same undecodable byte.
std::unique_ptr<Matcher> makeKeywordMatcher(std::u16string keyword, LetterCase letterCase);

// The first match that starts at or after `from` (a character boundary);
// searches the indexed part first and waits for more only when it finds none
// there. nullopt when there is none or cancel is set.
// The document is read `chunkBytes` (at least 16) at a time; progress, when
// set, is called after each stretch.
std::optional<FindMatch> findNext(const Document& doc, const Matcher& matcher, ByteOffset from,
                                  const CancelFlag* cancel = nullptr, const FindProgress& progress = {},
                                  std::uint64_t chunkBytes = kFindChunkBytes);
// The last match that ends at or before `before` (an indexed character
// boundary), searched backwards chunk by chunk.
std::optional<FindMatch> findPrevious(const Document& doc, const Matcher& matcher, ByteOffset before,
                                      const CancelFlag* cancel = nullptr);
// Every match in the whole document, in order (waits until it is indexed);
// memory stays bounded whatever the document's size.
ScanEnd forEachMatch(const Document& doc, const Matcher& matcher, const MatchSink& sink,
                     const CancelFlag* cancel = nullptr, std::uint64_t chunkBytes = kFindChunkBytes);

// Called for each match with the line it starts on; returning false stops.
using LineMatchSink = std::function<bool(FindMatch, LineNo)>;

// forEachMatch with each match's line, counted as the document counts lines
// (CR LF, lone CR, lone LF) in the same pass: each stretch of the document is
// read once more for its line breaks, right after it is searched.
ScanEnd forEachMatchWithLine(const Document& doc, const Matcher& matcher, const LineMatchSink& sink,
                             const CancelFlag* cancel = nullptr, std::uint64_t chunkBytes = kFindChunkBytes);

}  // namespace soramie
