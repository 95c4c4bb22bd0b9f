// SPDX-License-Identifier: MIT
// chrReplace agrees with the literal algorithm in both modes.
#include "core/replace.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    const auto t = fuzz::fuzzTexts(data, size, 3);  // subject, from, to
    for (const bool normal : {true, false}) {
        if (chrReplace(t[0], t[1], t[2], normal) != reference::chrReplace(t[0], t[1], t[2], normal)) std::abort();
    }
    return 0;
}
