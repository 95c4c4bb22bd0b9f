// SPDX-License-Identifier: MIT
// Internal to the document: a source is one immutable byte buffer (a file as
// read, or bytes a document was made from or an edit inserted) with its line
// and character index. A file's source is read and indexed by threads it owns;
// every other source is complete and indexed when made. Not for other layers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/file_io.h"
#include "core/text_stream.h"
#include "document/document.h"
#include "document/private/scan.h"

namespace soramie {

namespace doc_detail {

// Anonymous memory for a file's bytes: pages are touched only as the file is
// read into them, and a failed allocation is an error value, not an exception.
class PageBuffer {
public:
    PageBuffer() = default;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer();
    bool allocate(std::uint64_t size);
    char* get() const { return data_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// One indexed range [begin, end) of bytes; begin and end are character boundaries.
struct PublishedSegment {
    Segment seg;
    std::uint64_t charBegin = 0;
    std::uint64_t breakBegin = 0;  // breaks recorded by earlier segments
};

}  // namespace doc_detail

// The source of a document. Members marked "guarded by m" are read and written
// under m; the bytes below loadedBytes never change once loaded, so they are
// read without it. The destructor stops and joins the source's threads.
struct Document::Impl {
    // Storage: either owned_ (documents from bytes or text) or raw_ (files).
    std::string owned_;
    doc_detail::PageBuffer raw_;
    const unsigned char* data = nullptr;
    std::uint64_t expectedSize = 0;  // size at open; the final size once loaded

    std::vector<Substitution> subs;

    mutable std::mutex m;
    mutable std::condition_variable cv;
    // Loading state (guarded by m).
    std::uint64_t loadedBytes = 0;
    bool loadDone = false;
    std::optional<IoError> loadErr;
    int fd = -1;
    std::string path;
    std::optional<FileStamp> stamp;  // the file as it was opened; kept by withText

    // Chunk plan: chunk c covers [boundary(starts[c]), boundary(starts[c + 1])).
    std::vector<std::uint64_t> starts;
    std::vector<std::optional<doc_detail::Segment>> slots;  // guarded by m
    std::size_t nextPublish = 0;                            // guarded by m
    std::atomic<std::size_t> nextChunk{0};

    // Published index (guarded by m).
    std::vector<doc_detail::PublishedSegment> segs;
    std::uint64_t indexedEnd = 0;
    std::uint64_t breakTotal = 0;
    std::uint64_t charTotal = 0;
    bool indexDone = false;

    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;

    ~Impl();

    std::uint64_t finalSizeLocked() const { return loadDone ? loadedBytes : expectedSize; }

    // First position p >= x with a sync byte (< 0x40, never part of a pair's
    // trail) or the final size; waits for the bytes it needs. Returns nullopt when
    // stopped.
    std::optional<std::uint64_t> boundary(std::uint64_t x);
    // Indexes chunk c; returns false when stopped.
    bool indexChunk(std::size_t c);
    // Stores chunk c's index and publishes every chunk that is now next in order.
    void publish(std::size_t c, doc_detail::Segment seg);
    // A background indexer: takes chunks until none is left or the source stops.
    void worker();
    // The background reader of a file: reads until the expected size, the end
    // of the file, an error or a stop, then closes the file.
    void loader();
    // Fresh memory costs more to fault in than to read into, and the loader
    // faults every page it reads into: a second thread faults the second half
    // in meanwhile (MADV_POPULATE_WRITE never changes a byte, so it may overlap
    // the loader's reads). Runs until done or stopped.
    void prefaultSecondHalf();
    // Plans the chunks, indexes the first one here when its bytes are loaded and
    // starts the background threads for the rest. withLoader: the file still
    // needs reading.
    void start(bool withLoader);

    // Index lookups; the caller holds m.
    const doc_detail::PublishedSegment& segOfByte(std::uint64_t b) const;
    const doc_detail::PublishedSegment& segOfChar(std::uint64_t c) const;
    // Absolute start of the line after break k (k < breakTotal).
    std::uint64_t breakAt(std::uint64_t k) const;
    std::uint64_t charOfLocked(std::uint64_t b) const;
    std::uint64_t byteOfLocked(std::uint64_t c) const;
    std::uint64_t lineStartLocked(std::uint64_t n) const { return n == 0 ? 0 : breakAt(n - 1); }
    // Line breaks whose following line starts at or before p (p <= indexedEnd).
    std::uint64_t breaksUpToLocked(std::uint64_t p) const;

    void waitLoaded() const;
    void waitIndexed() const;
};

namespace doc_detail {

using SourcePtr = std::shared_ptr<Document::Impl>;

// Appends the CP932 bytes of units to out; units without a code become '?' and
// are recorded with their byte offset.
void encodeRecording(std::u16string_view units, std::string& out, std::vector<Substitution>& subs);

// Makes impl hold bytes it owns, loaded in full, with the substitutions they
// carry, and starts indexing them.
void adoptBytes(Document::Impl& impl, std::string bytes, std::vector<Substitution> subs);

// A fully indexed source holding bytes.
SourcePtr newSource(std::string bytes, std::vector<Substitution> subs);

// Appends the text of source bytes [a, b) (character boundaries) to out, with
// the source's remembered unencodable units.
void appendSourceText(const Document::Impl& src, std::uint64_t a, std::uint64_t b, std::u16string& out);

}  // namespace doc_detail

}  // namespace soramie
