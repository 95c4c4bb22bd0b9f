// SPDX-License-Identifier: MIT
// The keyword scan, in windows of every size, agrees with decoding the whole
// input and searching the text.
#include "core/cp932.h"
#include "search/scan.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const std::size_t keywordBytes = data[0] % 8;
    const std::size_t chunk = data[1] % 16 + 1;
    const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    if (rest.size() < keywordBytes) return 0;
    // Keywords decoded from bytes include undecodable bytes and characters with
    // several codes, so both scan paths are reached.
    const std::u16string keyword = soramie::cp932::decode(rest.substr(0, keywordBytes));
    const std::string_view text = rest.substr(keywordBytes);
    const bool expected = soramie::cp932::decode(text).find(keyword) != std::u16string::npos;
    const soramie::search::KeywordMatcher matcher(keyword);
    if (matcher.contains(text, chunk) != expected) std::abort();
    if (matcher.contains(text) != expected) std::abort();
    return 0;
}
