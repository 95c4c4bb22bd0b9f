// SPDX-License-Identifier: MIT
#include "core/html_export.h"

#include "core/html_page.h"
#include "core/read_windows.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

namespace soramie {

Result<HtmlExport, HtmlExportError> exportHtmlPage(const std::string& sourcePath, const std::string& pagePath,
                                                   const HtmlExportProgress& progress)
{
    // Opened before the page is touched: a source that cannot be read leaves
    // no trace of an export.
    auto source = WindowSource::open(sourcePath, ReadFrom::RegularFileOnly);
    if (!source) return unexpected(HtmlExportError{HtmlExportStage::ReadSource, source.error()});
    struct stat st {};
    const std::uint64_t size = ::stat(sourcePath.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;

    bool readFailed = false;
    const ByteProducer produce = [&](const ByteSink& sink) -> Status<IoError> {
        // The page of one window: at most four times the window ("<" becomes
        // "&lt;"), handed to the sink and cleared before the next window.
        std::string page;
        page.reserve(kReadWindow + kReadWindow / 8 + 4096);
        HtmlPageStream stream;
        std::uint64_t done = 0;
        bool writing = true;
        auto read = source->read([&](std::string_view window) {
            stream.feed(window, page);
            writing = sink(page);
            page.clear();
            done += window.size();
            if (progress) progress(ByteOffset(done), ByteOffset(std::max(size, done)));
            return writing;
        });
        if (!read) {
            readFailed = true;
            return read;
        }
        if (!writing) return Ok{};  // writeFileSafely reports its own failure
        stream.finish(page);
        sink(page);
        return Ok{};
    };
    auto written = writeFileSafely(pagePath, produce);
    if (!written) {
        const auto stage = readFailed ? HtmlExportStage::ReadSource : HtmlExportStage::WritePage;
        return unexpected(HtmlExportError{stage, written.error()});
    }
    return HtmlExport{*written};
}

}  // namespace soramie
