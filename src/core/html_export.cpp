// SPDX-License-Identifier: MIT
#include "core/html_export.h"

#include "core/html_page.h"
#include "core/memory.h"
#include "core/read_windows.h"

#include <sys/stat.h>

#include <algorithm>

namespace soramie {

Result<HtmlExport, HtmlExportError> exportHtmlPage(const std::string& sourcePath, const std::string& pagePath,
                                                   const HtmlExportProgress& progress)
{
    struct stat st {};
    const std::uint64_t size = ::stat(sourcePath.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    HtmlExport result;
    std::string& page = result.page;
    // The page is the source plus its markup: an eighth more covers typical text
    // without a second allocation, and huge pages make filling it cheap.
    page.reserve(size + size / 8 + 4096);
    adviseHugePages(page.data(), page.capacity());
    HtmlPageStream stream;
    std::uint64_t done = 0;
    const auto read = readInWindows(sourcePath, ReadFrom::RegularFileOnly, [&](std::string_view window) {
        stream.feed(window, page);
        done += window.size();
        if (progress) progress(ByteOffset(done), ByteOffset(std::max(size, done)));
    });
    if (!read) return unexpected(HtmlExportError{HtmlExportStage::ReadSource, read.error()});
    stream.finish(page);
    auto written = writeFileSafely(pagePath, page);
    if (!written) return unexpected(HtmlExportError{HtmlExportStage::WritePage, written.error()});
    result.written = *written;
    return result;
}

}  // namespace soramie
