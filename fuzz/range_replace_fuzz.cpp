// SPDX-License-Identifier: MIT
// replaceRanges on bytes, fed in chunks cut anywhere, gives exactly the literal
// algorithm's text (each character with its own bytes) and count.
#include "core/replace.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    using reference::RichText;
    if (size < 1) return 0;
    const auto t = fuzz::fuzzParts(data + 1, size - 1, 4);  // text, start, end, replacement
    const std::u16string start = cp932::decode(t[1]);
    const std::u16string end = cp932::decode(t[2]);
    const std::u16string with = cp932::decode(t[3]);
    const std::size_t chunk = fuzz::chunkSize(data[0]);

    LastMarkerScan scan(end);
    rewriteAll(scan, t[0], chunk);
    RangeReplaceStream stream(start, end, with, scan.last());
    const std::string replaced = rewriteAll(stream, t[0], chunk);
    if (start.empty() || end.empty()) {
        if (replaced != t[0] || stream.count() != 0) std::abort();
        return 0;
    }
    RichText literal = reference::richFromBytes(t[0]);
    const std::size_t count = reference::replaceRanges(literal, reference::richFromText(start),
                                                       reference::richFromText(end), reference::richFromText(with));
    if (replaced != reference::bytesOf(literal) || stream.count() != count) std::abort();
    return 0;
}
