// SPDX-License-Identifier: MIT
// Internal to the document: a source is one immutable run of bytes (a file
// mapped in place, or bytes a document was made from or an edit inserted)
// with its compact line and character index. A file's source is indexed by
// threads it owns; every other source is complete and indexed when made (or,
// when large, indexed in the background like a file). Not for other layers.
#pragma once

#include <array>
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
#include "document/private/mapping.h"
#include "document/private/scan.h"

namespace soramie {

// The source of a document. Members marked "guarded by m" are read and written
// under m. The bytes never change while the source is intact (for a file: as
// long as nobody rewrites it in place; checksums tell). The destructor stops
// and joins the source's threads. One per document, its members grouped by
// what guards them rather than packed.
struct Document::Impl {  // NOLINT(clang-analyzer-optin.performance.Padding)
    // Storage: owned_ (bytes from memory) or map_ (a file, or the spill file of
    // a large rewrite).
    std::string owned_;
    std::unique_ptr<doc_detail::MappedFile> map_;
    const unsigned char* data = nullptr;
    std::uint64_t expectedSize = 0;  // size at open
    // Set before indexing starts: blocks carry checksums and reads are checked.
    bool checked = false;

    std::vector<Substitution> subs;

    mutable std::mutex m;
    mutable std::condition_variable cv;
    // Size state (guarded by m): sizeNow is expectedSize until the file is
    // found shorter; once loadDone it is the final size.
    std::uint64_t sizeNow = 0;
    bool loadDone = false;
    std::optional<IoError> loadErr;
    int fd = -1;  // a file source keeps its descriptor: the file read, whatever its path names now
    std::string path;
    std::optional<FileStamp> stamp;  // the file as it was opened; kept by withText

    // Chunk plan: chunk c covers [boundary(starts[c]), boundary(starts[c + 1])).
    std::vector<std::uint64_t> starts;
    std::vector<std::optional<doc_detail::ScannedRange>> slots;  // guarded by m
    std::size_t nextPublish = 0;                                 // guarded by m
    std::atomic<std::size_t> nextChunk{0};

    // Published index (guarded by m; never changes once indexDone).
    std::vector<doc_detail::Block> blocks;
    std::uint64_t indexedEnd = 0;
    std::uint64_t breakTotal = 0;
    std::uint64_t charTotal = 0;
    bool indexDone = false;
    bool shrank = false;                  // the file ended before expectedSize when it was indexed
    std::uint32_t faultsWhenIndexed = 0;  // map_->faults() when indexing ended

    // A checksum did not match: the bytes under the document changed.
    mutable std::atomic<bool> changed{false};

    // Blocks scanned in detail for queries, least recently used replaced
    // (guarded by m).
    struct CacheEntry {
        std::size_t block = SIZE_MAX;
        std::uint64_t used = 0;
        doc_detail::BlockDetail detail;
    };
    mutable std::array<CacheEntry, 8> cache;
    mutable std::uint64_t cacheClock = 0;

    // The private copy edits of a small file source read from (guarded by m).
    std::weak_ptr<Impl> privateCopy;

    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;

    ~Impl();

    // Document::fromFile; with sizeAtOpen, the file is taken to have measured
    // that many bytes (tests: a file that shrinks between its measuring and
    // its reading).
    static Result<DocumentPtr, IoError> openFile(const std::string& path, std::uint64_t sizeAtOpen = UINT64_MAX);

    std::uint64_t finalSizeLocked() const { return sizeNow; }

    // First position p >= x with a sync byte (< 0x40, never part of a pair's
    // trail) or the end.
    std::uint64_t boundary(std::uint64_t x, std::uint64_t end) const;
    // Learns whether the file is now shorter than sizeNow (file sources).
    void checkSize();
    // Indexes chunk c.
    void indexChunk(std::size_t c);
    // Stores chunk c's index and publishes every chunk that is now next in order.
    void publish(std::size_t c, doc_detail::ScannedRange range);
    // Ends indexing: a file found shorter has its index cut at its new end.
    void finishLocked();
    // Cuts the index at n (<= indexedEnd), and before a lead byte left without
    // its trail there.
    void cutLocked(std::uint64_t n);
    // A background indexer: takes chunks until none is left or the source stops.
    void worker();
    // Plans the chunks, indexes the first one here and starts the background
    // threads for the rest.
    void start();

    // Index lookups; the caller holds m.
    std::size_t blockOfByte(std::uint64_t b) const;
    std::uint64_t blockEnd(std::size_t i) const { return i + 1 < blocks.size() ? blocks[i + 1].begin : indexedEnd; }
    // Block i scanned in detail (from the cache when it was scanned lately);
    // a checksum mismatch marks the source changed.
    const doc_detail::BlockDetail& detailLocked(std::size_t i) const;
    // Absolute start of the line after break k (k < breakTotal).
    std::uint64_t breakAt(std::uint64_t k) const;
    std::uint64_t charOfLocked(std::uint64_t b) const;
    std::uint64_t byteOfLocked(std::uint64_t c) const;
    std::uint64_t lineStartLocked(std::uint64_t n) const { return n == 0 ? 0 : breakAt(n - 1); }
    // Line breaks whose following line starts at or before p.
    std::uint64_t breaksUpToLocked(std::uint64_t p) const;

    // Whether bytes [a, b) still have the checksums they were indexed with
    // (true for sources that are not checked). Waits until indexed.
    bool verify(std::uint64_t a, std::uint64_t b) const;
    // Checks the indexed blocks that hold bytes of [a, b) now, without
    // waiting; a mismatch marks the source changed.
    void verifyIndexed(std::uint64_t a, std::uint64_t b) const;
    bool intact() const;
    // Appends bytes [a, b) (a source that is indexed) as far as the document
    // vouches for them. A checked source's bytes are copied block by block and
    // each copy is checked, so what is appended is what was indexed, whatever
    // the file does meanwhile; a block whose copy no longer matches marks the
    // source changed and is appended withheld: each character becomes
    // "\x81\xAC" (〓) or "?" of its own length, line breaks kept, so positions
    // and lines stay where they were. Other sources append their bytes.
    void appendVouched(std::uint64_t a, std::uint64_t b, std::string& out) const;

    void waitLoaded() const;
    void waitIndexed() const;
};

namespace doc_detail {

using SourcePtr = std::shared_ptr<Document::Impl>;

// Appends the CP932 bytes of units to out; units without a code become '?' and
// are recorded with their byte offset.
void encodeRecording(std::u16string_view units, std::string& out, std::vector<Substitution>& subs);

// Makes impl hold bytes it owns with the substitutions they carry, and starts
// indexing them.
void adoptBytes(Document::Impl& impl, std::string bytes, std::vector<Substitution> subs);

// A fully indexed source holding bytes.
SourcePtr newSource(std::string bytes, std::vector<Substitution> subs);

// The source edits of src read from: src itself, or for a file source of at
// most kPrivateCopyMax bytes a private copy of its bytes (checked against the
// checksums while copied) made once and shared while it lives. src is indexed.
SourcePtr editableSource(const SourcePtr& src);

// Sets up impl to read file fd (size > 0) in place and starts indexing it.
// Fails with errno.
int adoptFile(Document::Impl& impl, int fd, std::uint64_t size, bool checked);

// Appends the text of source bytes [a, b) (character boundaries) to out, with
// the source's remembered unencodable units.
void appendSourceText(const Document::Impl& src, std::uint64_t a, std::uint64_t b, std::u16string& out);

}  // namespace doc_detail

}  // namespace soramie
