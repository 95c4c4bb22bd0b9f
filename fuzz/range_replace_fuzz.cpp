// SPDX-License-Identifier: MIT
// rangeReplace agrees with the literal algorithm in text and count.
#include "core/replace.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    auto t = fuzz::fuzzTexts(data, size, 4);  // text, start, end, replacement
    if (t[1].empty() || t[2].empty()) {
        std::u16string unchanged = t[0];
        if (rangeReplace(unchanged, t[1], t[2], t[3]) != 0 || unchanged != t[0]) std::abort();
        return 0;
    }
    std::u16string fast = t[0];
    std::u16string slow = t[0];
    const std::size_t fastCount = rangeReplace(fast, t[1], t[2], t[3]);
    const std::size_t slowCount = reference::rangeReplace(slow, t[1], t[2], t[3]);
    if (fast != slow || fastCount != slowCount) std::abort();
    return 0;
}
