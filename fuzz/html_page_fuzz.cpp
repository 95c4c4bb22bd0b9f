// SPDX-License-Identifier: MIT
// The HTML page agrees with the literal export steps, and the byte builder keeps
// every source byte: decoding its page gives the text builder's page.
#include "core/cp932.h"
#include "core/html_page.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    const std::u16string text = fuzz::fuzzTexts(data, size, 1)[0];
    const std::u16string page = HtmlPage(text);
    if (page != reference::HtmlPage(text)) std::abort();

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string bytePage;
    appendHtmlPageBytes(bytes, bytePage);
    if (cp932::decode(bytePage) != HtmlPage(cp932::decode(bytes))) std::abort();
    if (bytePage.size() > htmlPageLength(size, size, size)) std::abort();
    return 0;
}
