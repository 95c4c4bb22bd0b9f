// SPDX-License-Identifier: MIT
// The document against a plain byte string: its line index and character <->
// byte mapping against a sequential scan, as read and after each replacement of
// an edit script at character boundaries; every earlier document still holds its
// own bytes (undo keeps them); a rewrite of its text keeps the bytes around the
// change.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "document/document.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

using namespace soramie;

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

// The document's bytes and index against a sequential scan of its bytes.
void checkIndex(const Document& doc, const std::string& bytes)
{
    check(doc.size().value == bytes.size());
    check(reference::indexMismatch(doc, bytes, [](std::uint64_t) { return true; }).empty());
    std::string scratch;
    const std::size_t mid = bytes.size() / 3;
    check(doc.bytes(ByteOffset(mid), ByteOffset(bytes.size()), scratch) == std::string_view(bytes).substr(mid));
}

}  // namespace

// Parts (split at NUL): the first is the document; each later one is an edit
// whose first two bytes pick the start and the length of the replaced range
// (in characters) and whose rest is inserted. A first byte with the high bit
// set inserts a character without a CP932 code instead, which the document
// keeps as '?' and remembers.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> parts = fuzz::fuzzParts(data, size, 12);
    std::string model = parts[0];
    DocumentPtr doc = Document::fromBytes(model);
    doc->waitIndexed();
    checkIndex(*doc, model);
    const std::u16string text = doc->text();
    if (text.size() >= 2) {
        const std::size_t at = text.size() / 2;
        const std::string out =
            doc->withText(text.substr(0, at) + u'\u3042' + text.substr(at)).document->bytesForSave();
        const std::uint64_t split = doc->byteOf(CharPos(at)).value;
        check(out == model.substr(0, split) + "\x82\xA0" + model.substr(split));
    }
    std::vector<std::pair<DocumentPtr, std::string>> history{{doc, model}};
    for (std::size_t k = 1; k < parts.size(); ++k) {
        const std::string& op = parts[k];
        if (op.empty()) continue;
        const auto chars = reference::charStarts(model);
        const std::size_t from = static_cast<unsigned char>(op[0]) % chars.size();
        const std::size_t count = op.size() > 1 ? static_cast<unsigned char>(op[1]) % 4 : 0;
        const std::uint64_t a = chars[from];
        const std::uint64_t b = chars[std::min(chars.size() - 1, from + count)];
        const std::string insert = op.size() > 2 ? op.substr(2) : std::string();
        if (static_cast<unsigned char>(op[0]) & 0x80) {
            doc = doc->edited(ByteOffset(a), ByteOffset(b), u"\u20AC");
            model.erase(a, b - a);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(a), '?');
            const auto& subs = doc->substitutions();
            check(std::any_of(subs.begin(), subs.end(),
                              [&](const Substitution& s) { return s.at.value == a && s.unit == u'\u20AC'; }));
        } else {
            doc = doc->editedBytes(ByteOffset(a), ByteOffset(b), insert);
            model.replace(a, b - a, insert);
        }
        check(doc->bytesForSave() == model);
        checkIndex(*doc, model);
        history.emplace_back(doc, model);
    }
    for (const auto& [old, bytes] : history) check(old->bytesForSave() == bytes);
    return 0;
}
