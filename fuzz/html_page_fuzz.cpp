// SPDX-License-Identifier: MIT
// The HTML page built from bytes, fed in chunks cut anywhere, is exactly the
// literal export steps' page with each source character's own bytes.
#include "core/html_page.h"
#include "reference/literal_algorithms.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    if (size < 1) return 0;
    const std::string bytes = fuzz::fuzzParts(data + 1, size - 1, 1)[0];
    HtmlPageStream stream;
    const std::string page = rewriteAll(stream, bytes, fuzz::chunkSize(data[0]));
    if (page != reference::bytesOf(reference::htmlPage(reference::richFromBytes(bytes)))) std::abort();
    std::string whole;
    appendHtmlPageBytes(bytes, whole);
    if (whole != page) std::abort();
    return 0;
}
