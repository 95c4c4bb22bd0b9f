// SPDX-License-Identifier: MIT
// The document's line index and character <-> byte mapping against a naive
// sequential scan, and byte preservation when its text is rewritten.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/document.h"
#include "reference/literal_algorithms.h"

using namespace soramie;

namespace {
void check(bool ok)
{
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto doc = Document::fromBytes(bytes);
    doc->waitIndexed();

    // Characters: each start maps to its byte and every byte of it back.
    const auto chars = reference::charStarts(bytes);
    check(doc->charCount().value + 1 == chars.size());
    for (std::size_t c = 0; c < chars.size(); ++c) {
        check(doc->byteOf(CharPos(c)).value == chars[c]);
        for (auto b = chars[c]; c + 1 < chars.size() && b < chars[c + 1]; ++b)
            check(doc->charOf(ByteOffset(b)).value == c);
    }

    // Lines: each start, and the bytes either side of it.
    const auto lines = reference::lineStarts(bytes);
    check(doc->lineCount().value == lines.size());
    for (std::size_t n = 1; n < lines.size(); ++n) {
        check(doc->lineStart(LineNo(n)).value == lines[n]);
        check(doc->lineOf(ByteOffset(lines[n] - 1)).value == n - 1 && doc->lineOf(ByteOffset(lines[n])).value == n);
    }

    // Rewriting: the same text gives the same bytes; a change in the middle keeps
    // the bytes before and after it.
    const std::u16string text = doc->text();
    check(doc->withText(text).document->bytesForSave() == bytes);
    if (text.size() >= 2) {
        const std::size_t at = text.size() / 2;
        const std::u16string changed = text.substr(0, at) + u'\u3042' + text.substr(at);
        const auto r = doc->withText(changed);
        const std::uint64_t split = doc->byteOf(CharPos(at)).value;
        const std::string out = r.document->bytesForSave();
        check(out.substr(0, split) == std::string_view(bytes).substr(0, split));
        check(out.substr(split + 2) == std::string_view(bytes).substr(split));
    }
    return 0;
}
