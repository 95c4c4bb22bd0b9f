// SPDX-License-Identifier: MIT
// The HTML page built from bytes fed in chunks cut anywhere is the page built
// from them at once: a CR LF, a lone CR or an angle bracket split between two
// chunks is written as if whole. (What the page holds is the export tests'.)
#include "core/html_page.h"
#include "text_fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace soramie;
    if (size < 1) return 0;
    const std::string bytes = fuzz::fuzzParts(data + 1, size - 1, 1)[0];
    HtmlPageStream stream;
    const std::string page = rewriteAll(stream, bytes, fuzz::chunkSize(data[0]));
    std::string whole;
    appendHtmlPageBytes(bytes, whole);
    if (whole != page) std::abort();
    return 0;
}
