// SPDX-License-Identifier: MIT
#include "ui/dialogs/find_keyword.h"

#include "core/cp932.h"
#include "search/scan.h"

#include <algorithm>
#include <functional>
#include <string>

namespace soramie {

namespace {

// The keyword has exactly one CP932 spelling and the bytes hold no stand-ins
// for unencodable characters: search the bytes and keep the first match that
// starts on a character boundary.
std::optional<CharPos> findBytes(const Document& doc, std::uint64_t size, const std::string& needle)
{
    const std::string_view all = doc.bytes(ByteOffset(0), ByteOffset(size));
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    auto from = all.begin();
    for (;;) {
        const auto found = std::search(from, all.end(), searcher);
        if (found == all.end()) return std::nullopt;
        const ByteOffset at(static_cast<std::uint64_t>(found - all.begin()));
        const CharPos c = doc.charOf(at);
        if (doc.byteOf(c) == at) return c;
        from = found + 1;
    }
}

}  // namespace

std::optional<CharPos> findFirstOccurrence(const Document& doc, std::u16string_view keyword,
                                           std::uint64_t chunkBytes)
{
    if (keyword.empty()) return std::nullopt;
    doc.waitIndexed();
    const std::uint64_t size = doc.indexedBytes().value;
    if (doc.unencodableCount() == 0 && search::KeywordMatcher(std::u16string(keyword)).searchesBytes()) {
        return findBytes(doc, size, cp932::encode(keyword).bytes);
    }
    chunkBytes = std::max<std::uint64_t>(chunkBytes, 16);
    // `window` holds the last keyword.size() - 1 units of the text searched so
    // far followed by the next chunk, so an occurrence across a chunk boundary
    // is found; `windowStart` is the character position of its first unit.
    std::u16string window;
    std::uint64_t windowStart = 0;
    std::uint64_t byte = 0;
    while (byte < size) {
        // A chunk ends on a character boundary: at the start of the character
        // that holds its last byte + 1, or at the end of the document.
        std::uint64_t end = std::min(size, byte + chunkBytes);
        if (end < size) end = std::max(byte + 1, doc.byteOf(doc.charOf(ByteOffset(end))).value);
        window += doc.textOfBytes(ByteOffset(byte), ByteOffset(end));
        const std::size_t at = window.find(keyword);
        if (at != std::u16string::npos) return CharPos(windowStart + at);
        const std::size_t keep = std::min(window.size(), keyword.size() - 1);
        windowStart += window.size() - keep;
        window.erase(0, window.size() - keep);
        byte = end;
    }
    return std::nullopt;
}

}  // namespace soramie
