// SPDX-License-Identifier: MIT
// WrapText and SplitLines agree with the literal algorithms; widths below 1 are refused.
#include "core/wrap.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    if (size < 1) return 0;
    const std::int32_t width = static_cast<std::int32_t>(data[0] % 40) - 1;  // -1 .. 38
    const std::u16string text = fuzz::fuzzTexts(data + 1, size - 1, 1)[0];
    const auto fast = WrapText(text, WrapWidth{width});
    if (width < 1) {
        if (fast.ok()) std::abort();
        return 0;
    }
    if (!fast.ok() || *fast != reference::WrapText(text, width, NoStartChars, NoEndChars)) std::abort();
    const auto pieces = SplitLines(text, u"\r\n");
    const auto slow = reference::SplitLines(text, u"\r\n");
    if (pieces.size() != slow.size()) std::abort();
    for (std::size_t i = 0; i < slow.size(); ++i)
        if (pieces[i] != slow[i]) std::abort();
    return 0;
}
