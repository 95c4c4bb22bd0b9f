// SPDX-License-Identifier: MIT
// The document's line index and character <-> byte mapping against a naive
// sequential decode, and byte preservation when its text is rewritten.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/cp932.h"
#include "document/document.h"

using namespace soramie;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto doc = Document::fromBytes(bytes);
    doc->waitIndexed();

    // Characters: each start maps to its byte and every byte of it back.
    std::size_t i = 0;
    std::uint64_t c = 0;
    while (i < size) {
        std::size_t n = 1;
        cp932::decodeOne(std::string_view(bytes).substr(i), n);
        check(doc->byteOf(CharPos(c)).value == i);
        for (std::size_t k = 0; k < n; ++k) check(doc->charOf(ByteOffset(i + k)).value == c);
        i += n;
        ++c;
    }
    check(doc->charCount().value == c);
    check(doc->byteOf(CharPos(c)).value == size);

    // Lines: a start after every LF and every CR not followed by LF.
    std::uint64_t line = 0;
    for (std::size_t k = 0; k < size; ++k) {
        if (bytes[k] == '\n' || (bytes[k] == '\r' && (k + 1 == size || bytes[k + 1] != '\n'))) {
            ++line;
            check(doc->lineStart(LineNo(line)).value == k + 1);
            check(doc->lineOf(ByteOffset(k)).value == line - 1);
            check(doc->lineOf(ByteOffset(k + 1)).value == line);
        }
    }
    check(doc->lineCount() == line + 1);

    // Rewriting: the same text gives the same bytes; a change in the middle keeps
    // the bytes before and after it.
    const std::u16string text = doc->text();
    check(doc->withText(text).document->bytesForSave() == bytes);
    if (text.size() >= 2) {
        const std::size_t at = text.size() / 2;
        std::u16string changed = text;
        changed.insert(at, u"\u3042");
        const auto r = doc->withText(changed);
        const std::uint64_t split = doc->byteOf(CharPos(at)).value;
        const std::string_view out = r.document->bytesForSave();
        check(out.substr(0, split) == std::string_view(bytes).substr(0, split));
        check(out.substr(split + 2) == std::string_view(bytes).substr(split));
    }
    return 0;
}
