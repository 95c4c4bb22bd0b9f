// SPDX-License-Identifier: MIT
// replaceString on bytes, fed in chunks cut anywhere, gives exactly the literal
// algorithm's text with each character's own bytes, in both modes.
#include "core/replace.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    using reference::RichText;
    if (size < 1) return 0;
    const auto t = fuzz::fuzzParts(data + 1, size - 1, 3);  // subject, from, to
    const std::u16string from = cp932::decode(t[1]);
    const std::u16string to = cp932::decode(t[2]);
    for (const auto inside : {InsideReplacement::Replace, InsideReplacement::Skip}) {
        StringReplaceStream stream(from, to, inside);
        const std::string replaced = rewriteAll(stream, t[0], fuzz::chunkSize(data[0]));
        const RichText literal = reference::replaceString(reference::richFromBytes(t[0]), reference::richFromText(from),
                                                          reference::richFromText(to), inside);
        if (replaced != reference::bytesOf(literal)) std::abort();
    }
    return 0;
}
