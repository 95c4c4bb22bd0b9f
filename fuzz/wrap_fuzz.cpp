// SPDX-License-Identifier: MIT
// The byte-level wrap, fed in chunks cut anywhere, gives exactly the literal
// algorithm's text with each character's own bytes; widths below 1 are refused.
#include "core/wrap.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    if (size < 2) return 0;
    const std::int32_t width = static_cast<std::int32_t>(data[0] % 24) - 1;  // -1 .. 22
    const std::string bytes = fuzz::fuzzParts(data + 2, size - 2, 1)[0];
    if (width < 1) {
        if (wrapText(bytes, WrapWidth{width}).ok()) std::abort();
        return 0;
    }
    WrapStream stream(WrapWidth{width});
    const std::string wrapped = rewriteAll(stream, bytes, fuzz::chunkSize(data[1]));
    const auto literal =
        reference::wrapText(reference::richFromBytes(bytes), width, kNoLineStartChars, kNoLineEndChars);
    if (wrapped != reference::bytesOf(literal)) std::abort();
    return 0;
}
