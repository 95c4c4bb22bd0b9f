// SPDX-License-Identifier: MIT
// Round trip of the CP932 codec on arbitrary bytes, and encoding of arbitrary
// UTF-16 text. Aborts on any broken guarantee.
#include "core/cp932.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace soramie::cp932;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Bytes -> text -> bytes keeps the length and the text; only duplicate codes
    // change, so a second round trip is exact.
    const std::u16string text = decode(bytes);
    if (text.size() > bytes.size()) std::abort();
    const EncodeResult once = encode(text);
    if (!once.complete() || once.bytes.size() != bytes.size()) std::abort();
    if (decode(once.bytes) != text) std::abort();
    if (encode(decode(once.bytes)).bytes != once.bytes) std::abort();

    // decodeOne walks the same characters as decode.
    std::size_t pos = 0;
    for (const char16_t u : text) {
        std::size_t consumed = 0;
        if (pos >= bytes.size() || decodeOne(bytes.substr(pos), consumed) != u) std::abort();
        pos += consumed;
    }
    if (pos != bytes.size()) std::abort();

    // Any UTF-16 text: the encoded length is the sum of the units' byte lengths,
    // and every unit without a code is counted.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    const EncodeResult r = encode(units);
    std::size_t length = 0;
    std::size_t missing = 0;
    for (const char16_t u : units) {
        length += static_cast<std::size_t>(byteLength(u));
        missing += encodable(u) ? 0 : 1;
    }
    if (r.bytes.size() != length || r.unencodableCount < missing) std::abort();
    if (r.complete() != (r.firstUnencodable == EncodeResult::npos)) std::abort();
    return 0;
}
