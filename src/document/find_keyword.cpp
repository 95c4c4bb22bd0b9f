// SPDX-License-Identifier: MIT
#include "document/find_keyword.h"

#include "core/byte_finder.h"
#include "core/cp932.h"

#include <algorithm>
#include <functional>
#include <string>

namespace soramie {

namespace {

// How far the document is indexed. `complete` is read first, so when it is
// true `bytes` is the final size.
struct Indexed {
    bool complete;
    std::uint64_t bytes;
};

Indexed indexedNow(const Document& doc)
{
    const bool complete = doc.indexed();
    return {complete, doc.indexedBytes().value};
}

// The keyword has exactly one CP932 spelling and the bytes hold no stand-ins
// for unencodable characters: search the bytes and keep the first match that
// starts on a character boundary. The indexed part is searched before the
// rest is waited for, so a hit near the start of a large file is found at once.
std::optional<CharPos> findBytes(const Document& doc, std::string needle, const FindProgress& progress)
{
    const ByteFinder finder(std::move(needle));
    const std::size_t k = finder.needle().size();
    std::uint64_t from = 0;
    std::string scratch;  // holds the bytes of an edited document
    for (;;) {
        const Indexed now = indexedNow(doc);
        const std::string_view all = doc.bytes(ByteOffset(0), ByteOffset(now.bytes), scratch);
        for (std::size_t pos = static_cast<std::size_t>(from); pos < all.size();) {
            const char* found = finder.find(all.data() + pos, all.size() - pos);
            if (found == nullptr) break;
            const auto hit = static_cast<std::size_t>(found - all.data());
            const ByteOffset at(hit);
            const CharPos c = doc.charOf(at);
            if (doc.byteOf(c) == at) return c;
            pos = hit + 1;
        }
        if (progress) progress(ByteOffset(now.bytes), doc.size());
        if (now.complete) return std::nullopt;
        from = now.bytes >= k ? now.bytes - k + 1 : 0;
        doc.waitIndexedBeyond(ByteOffset(now.bytes));
    }
}

// Any other keyword: the text, decoded chunk by chunk.
std::optional<CharPos> findText(const Document& doc, std::u16string_view keyword, std::uint64_t chunkBytes,
                                const FindProgress& progress)
{
    chunkBytes = std::max<std::uint64_t>(chunkBytes, 16);
    // `window` holds the last keyword.size() - 1 units of the text searched so
    // far followed by the next chunk, so an occurrence across a chunk boundary
    // is found; `windowStart` is the character position of its first unit.
    std::u16string window;
    std::uint64_t windowStart = 0;
    std::uint64_t byte = 0;
    for (;;) {
        const Indexed now = indexedNow(doc);
        if (byte >= now.bytes) {
            if (now.complete) return std::nullopt;
            doc.waitIndexedBeyond(ByteOffset(now.bytes));
            continue;
        }
        // A chunk ends on a character boundary: at the start of the character
        // that holds its last byte + 1, or where the index ends (a boundary).
        std::uint64_t end = std::min(now.bytes, byte + chunkBytes);
        if (end < now.bytes) end = std::max(byte + 1, doc.byteOf(doc.charOf(ByteOffset(end))).value);
        window += doc.textOfBytes(ByteOffset(byte), ByteOffset(end));
        const std::size_t at = window.find(keyword);
        if (at != std::u16string::npos) return CharPos(windowStart + at);
        const std::size_t keep = std::min(window.size(), keyword.size() - 1);
        windowStart += window.size() - keep;
        window.erase(0, window.size() - keep);
        byte = end;
        if (progress) progress(ByteOffset(byte), doc.size());
    }
}

}  // namespace

std::optional<CharPos> findFirstOccurrence(const Document& doc, std::u16string_view keyword, std::uint64_t chunkBytes,
                                           const FindProgress& progress)
{
    if (keyword.empty()) return std::nullopt;
    if (doc.unencodableCount() == 0) {
        if (std::optional<std::string> bytes = cp932::singleSpelling(keyword)) {
            return findBytes(doc, std::move(*bytes), progress);
        }
    }
    return findText(doc, keyword, chunkBytes, progress);
}

}  // namespace soramie
