// SPDX-License-Identifier: MIT
// The HTML export of a text file: the page of core/html_page.h, built from the
// source's bytes on disk and written beside it crash-safely. Shared by the
// viewer and the command line. Window-free; runs on the caller's thread.
#pragma once

#include "core/file_io.h"
#include "core/result.h"
#include "core/types.h"

#include <cstdint>
#include <functional>
#include <string>

namespace soramie {

// Which half of an export failed.
enum class HtmlExportStage : std::uint8_t {
    ReadSource,  // the source could not be read: the page file is untouched
    WritePage,   // the page could not be written; the page file is as writeFileSafely left it
};

struct HtmlExportError {
    HtmlExportStage stage = HtmlExportStage::ReadSource;
    IoError io;  // the path is the source's or the page's, as the stage says
};

struct HtmlExport {
    WriteOutcome written;  // how the page file was put in place
};

// Source bytes read so far, of the source's size when the export started (at
// least done: a file that grows while it is read is read to its end). Called
// on the exporting thread after each window of the source.
using HtmlExportProgress = std::function<void(ByteOffset done, ByteOffset total)>;

// Builds the page of the file at sourcePath and writes it to pagePath with
// writeFileSafely while it is built. The source must be a regular file
// (anything else fails with EINVAL at once, a folder with EISDIR; the page
// file is not touched then) and is read window by window, so every character
// keeps its CP932 bytes (undecodable ones included). Neither the source nor
// the page is held in memory: memory stays bounded by a few windows whatever
// the source's size. A read failure midway abandons the write (ReadSource;
// the old page stays). Throws std::bad_alloc when even that does not fit in
// memory; the old page stays then too.
Result<HtmlExport, HtmlExportError> exportHtmlPage(const std::string& sourcePath, const std::string& pagePath,
                                                   const HtmlExportProgress& progress = {});

}  // namespace soramie
