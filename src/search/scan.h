// SPDX-License-Identifier: MIT
// Keyword scan: which candidate files contain a keyword.
//
// A file contains the keyword exactly when the keyword occurs in the file's
// whole content decoded from CP932 (core/cp932.h): case-sensitive, full-width
// and half-width forms different, undecodable bytes standing for themselves.
// The empty keyword is contained in every readable file.
//
// Files are read in chunks of bounded size (never whole), and reading stops at
// the first occurrence. When the keyword has one CP932 spelling the raw bytes
// are searched and each byte match is accepted only where it starts on a
// character boundary; otherwise the chunks are decoded and searched as text.
#pragma once

#include "core/result.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace soramie {
class ByteFinder;
}  // namespace soramie

namespace soramie::search {

// A keyword prepared once for many files. Immutable after construction, so one
// matcher may be used by several threads at once.
class KeywordMatcher {
public:
    explicit KeywordMatcher(std::u16string keyword);

    const std::u16string& keyword() const { return keyword_; }
    // True when files are searched as raw bytes (the keyword has exactly one
    // CP932 spelling); false when chunks are decoded and searched as text.
    bool searchesBytes() const { return bytesSearch_; }

    // Whether `bytes`, taken as a whole file, contains the keyword; they are
    // scanned in windows of `chunkBytes` (any size from 1) like a file.
    bool contains(std::string_view bytes, std::size_t chunkBytes = kDefaultChunkBytes) const;

    // Whether the file at `file` contains the keyword. Reads at most
    // `chunkBytes` (at least kMinChunkBytes) plus the keyword's length at a
    // time into `buffer`, which the caller may reuse between calls. Fails when
    // the file cannot be opened or read, or is not a regular file; when `cancel`
    // becomes true the read stops between chunks with errnoValue ECANCELED.
    Result<bool, IoError> fileContains(const std::filesystem::path& file, std::vector<char>& buffer,
                                       std::size_t chunkBytes = kDefaultChunkBytes,
                                       const std::atomic<bool>* cancel = nullptr) const;

    static constexpr std::size_t kDefaultChunkBytes = 1 << 20;
    static constexpr std::size_t kMinChunkBytes = 1 << 16;

private:
    class Source;
    bool scanBytes(Source& src) const;
    bool scanText(Source& src) const;

    std::u16string keyword_;
    std::shared_ptr<const ByteFinder> finder_;  // the keyword's CP932 bytes when bytesSearch_
    bool bytesSearch_ = false;
};

struct ScanOptions {
    unsigned threads = 2;  // worker threads reading files (at least 1)
    std::size_t chunkBytes = KeywordMatcher::kDefaultChunkBytes;
    // When set and becoming true, no further file is started; the result holds
    // what was decided before, cancelled is set.
    const std::atomic<bool>* cancel = nullptr;
    // Called after each finished file with (files done, total). Calls come from
    // the worker threads, one at a time (never concurrently), with `done`
    // increasing by one each call.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

struct ScanResult {
    // Candidates that contain the keyword, in candidate order.
    std::vector<std::filesystem::path> hits;
    // Candidates that could not be read, in candidate order; they are not hits.
    std::vector<IoError> unreadable;
    bool cancelled = false;
};

// Tests every candidate on `options.threads` worker threads of its own and
// returns when all are done (or cancelled). Blocking: call it off the UI thread.
ScanResult scanFiles(std::span<const std::filesystem::path> candidates, std::u16string_view keyword,
                     const ScanOptions& options = {});

}  // namespace soramie::search
