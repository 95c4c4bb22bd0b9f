// SPDX-License-Identifier: MIT
#include "document/document.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "core/cp932.h"
#include "core/memory.h"
#include "document/private/scan.h"

namespace soramie {

namespace {

// The first chunk is indexed before a factory returns: enough for a first screen.
constexpr std::uint64_t kFirstChunk = 64 * 1024;
// Documents up to this size are indexed as one chunk, synchronously.
constexpr std::uint64_t kSmallDocument = 1024 * 1024;
// Background chunks, indexed in parallel.
constexpr std::uint64_t kChunk = 8 * 1024 * 1024;
// Files above this size have the second half of their buffer faulted in by a
// thread of its own while the loader reads the first half.
constexpr std::uint64_t kPrefaultFrom = 64 * 1024 * 1024;
// Bytes read by one read() call of the background loader.
constexpr std::uint64_t kReadPiece = 8 * 1024 * 1024;

// Anonymous memory for a file's bytes: pages are touched only as the file is
// read into them, and a failed allocation is an error value, not an exception.
class PageBuffer {
public:
    bool allocate(std::uint64_t size)
    {
        size_ = size == 0 ? 1 : size;
        void* p = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return false;
        data_ = static_cast<char*>(p);
        adviseHugePages(p, size_);
        return true;
    }
    ~PageBuffer()
    {
        if (data_) ::munmap(data_, size_);
    }
    char* get() const { return data_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

struct FdCloser {
    int fd;
    ~FdCloser()
    {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

// One indexed range [begin, end) of bytes; begin and end are character boundaries.
struct PublishedSegment {
    doc_detail::Segment seg;
    std::uint64_t charBegin = 0;
    std::uint64_t breakBegin = 0;  // breaks recorded by earlier segments
};

struct Document::Impl {
    // Storage: either owned_ (documents from bytes or text) or raw_ (files).
    std::string owned_;
    PageBuffer raw_;
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
    std::vector<PublishedSegment> segs;
    std::uint64_t indexedEnd = 0;
    std::uint64_t breakTotal = 0;
    std::uint64_t charTotal = 0;
    bool indexDone = false;

    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;

    ~Impl()
    {
        stop.store(true);
        {
            std::lock_guard lock(m);
        }
        cv.notify_all();
        for (auto& t : threads) t.join();
        if (fd >= 0) ::close(fd);
    }

    std::uint64_t finalSizeLocked() const { return loadDone ? loadedBytes : expectedSize; }

    // First position p >= x with a sync byte (< 0x40, never part of a pair's
    // trail) or the final size; waits for the bytes it needs. Returns nullopt when
    // stopped.
    std::optional<std::uint64_t> boundary(std::uint64_t x)
    {
        if (x == 0) return 0;
        std::uint64_t from = x;
        for (;;) {
            std::uint64_t loaded;
            bool done;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return stop.load() || loadDone || loadedBytes > from; });
                if (stop.load()) return std::nullopt;
                loaded = loadedBytes;
                done = loadDone;
            }
            if (from >= loaded) return loaded;  // done, and x lies at or past the end
            const std::uint64_t p = doc_detail::findSync(data, from, loaded);
            if (p < loaded) return p;
            if (done) return loaded;
            from = loaded;
        }
    }

    // Indexes chunk c; returns false when stopped.
    bool indexChunk(std::size_t c)
    {
        const auto b = boundary(starts[c]);
        if (!b) return false;
        const auto e = c + 1 < starts.size() ? boundary(starts[c + 1]) : boundary(~std::uint64_t{0} >> 1);
        if (!e) return false;
        std::uint64_t size;
        {
            std::lock_guard lock(m);
            size = finalSizeLocked();
        }
        // The CR at e - 1 peeks byte e, which boundary() saw loaded (or e is the end).
        doc_detail::Segment seg = doc_detail::scan(data, std::min(size, std::max(*e, *b) + 1), *b, std::max(*e, *b));
        publish(c, std::move(seg));
        return true;
    }

    void publish(std::size_t c, doc_detail::Segment seg)
    {
        {
            std::lock_guard lock(m);
            slots[c] = std::move(seg);
            while (nextPublish < slots.size() && slots[nextPublish]) {
                PublishedSegment ps{std::move(*slots[nextPublish]), charTotal, breakTotal};
                slots[nextPublish].reset();
                charTotal += ps.seg.chars;
                breakTotal += ps.seg.breaks.size();
                indexedEnd = ps.seg.end;
                segs.push_back(std::move(ps));
                ++nextPublish;
            }
            if (nextPublish == slots.size()) indexDone = true;
        }
        cv.notify_all();
    }

    void worker()
    {
        for (;;) {
            const std::size_t c = nextChunk.fetch_add(1);
            if (c >= starts.size() || stop.load()) return;
            if (!indexChunk(c)) return;
        }
    }

    void loader()
    {
        std::uint64_t loaded;
        {
            std::lock_guard lock(m);
            loaded = loadedBytes;
        }
        char* dst = raw_.get();
        std::optional<IoError> err;
        while (loaded < expectedSize && !stop.load()) {
            const std::uint64_t want = std::min(kReadPiece, expectedSize - loaded);
            const ssize_t n = ::read(fd, dst + loaded, want);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                err = IoError{path, IoStep::Read, errno};
                break;
            }
            if (n == 0) break;  // the file shrank while being read
            loaded += static_cast<std::uint64_t>(n);
            {
                std::lock_guard lock(m);
                loadedBytes = loaded;
            }
            cv.notify_all();
        }
        ::close(fd);
        {
            std::lock_guard lock(m);
            fd = -1;
            loadDone = true;
            loadErr = std::move(err);
        }
        cv.notify_all();
    }

    // Fresh memory costs more to fault in than to read into, and the loader
    // faults every page it reads into: a second thread faults the second half
    // in meanwhile (MADV_POPULATE_WRITE never changes a byte, so it may overlap
    // the loader's reads). Runs until done or stopped.
    void prefaultSecondHalf()
    {
#if defined(MADV_POPULATE_WRITE)
        threads.emplace_back([this] {
            constexpr std::uint64_t kStep = 32 * 1024 * 1024;
            constexpr std::uint64_t kPage = 2 * 1024 * 1024;
            auto* base = raw_.get();
            const std::uint64_t end = expectedSize & ~(kPage - 1);
            for (std::uint64_t at = (expectedSize / 2) & ~(kPage - 1); at < end && !stop.load(); at += kStep) {
                if (::madvise(base + at, std::min(kStep, end - at), MADV_POPULATE_WRITE) != 0) return;
            }
        });
#endif
    }

    // Plans the chunks, indexes the first one here when its bytes are loaded and
    // starts the background threads for the rest. withLoader: the file still
    // needs reading.
    void start(bool withLoader)
    {
        const std::uint64_t size = expectedSize;
        starts.push_back(0);
        if (size > kSmallDocument) {
            for (std::uint64_t s = kFirstChunk; s < size; s += kChunk) starts.push_back(s);
        }
        slots.resize(starts.size());
        if (withLoader) threads.emplace_back([this] { loader(); });
        std::size_t first = 0;
        {
            std::unique_lock lock(m);
            const bool ready =
                loadDone || starts.size() == 1 || doc_detail::findSync(data, starts[1], loadedBytes) < loadedBytes;
            lock.unlock();
            if (ready) {
                indexChunk(0);
                first = 1;
            }
        }
        nextChunk.store(first);
        if (first < starts.size()) {
            const unsigned n = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
            for (unsigned i = 0; i < n; ++i) threads.emplace_back([this] { worker(); });
        }
    }

    // Index lookups; the caller holds m.
    const PublishedSegment& segOfByte(std::uint64_t b) const
    {
        auto it = std::upper_bound(segs.begin(), segs.end(), b,
                                   [](std::uint64_t v, const PublishedSegment& s) { return v < s.seg.begin; });
        return *std::prev(it);
    }
    const PublishedSegment& segOfChar(std::uint64_t c) const
    {
        auto it = std::upper_bound(segs.begin(), segs.end(), c,
                                   [](std::uint64_t v, const PublishedSegment& s) { return v < s.charBegin; });
        return *std::prev(it);
    }
    std::uint64_t breakAt(std::uint64_t k) const
    {  // k < breakTotal
        auto it = std::upper_bound(segs.begin(), segs.end(), k,
                                   [](std::uint64_t v, const PublishedSegment& s) { return v < s.breakBegin; });
        // Skip back over segments without breaks that share the same breakBegin.
        while (true) {
            const auto& s = *std::prev(it);
            if (k - s.breakBegin < s.seg.breaks.size()) return s.seg.breaks[k - s.breakBegin];
            --it;
        }
    }
    std::uint64_t charOfLocked(std::uint64_t b) const
    {
        if (segs.empty()) return 0;
        b = std::min(b, indexedEnd);
        const auto& s = segOfByte(b);
        return s.charBegin + doc_detail::charOf(data, s.seg, b);
    }
    std::uint64_t byteOfLocked(std::uint64_t c) const
    {
        if (segs.empty()) return 0;
        c = std::min(c, charTotal);
        const auto& s = segOfChar(c);
        return doc_detail::byteOf(data, s.seg, c - s.charBegin);
    }
    std::uint64_t lineStartLocked(std::uint64_t n) const { return n == 0 ? 0 : breakAt(n - 1); }

    void waitLoaded() const
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return loadDone; });
    }
    void waitIndexed() const
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return indexDone; });
    }
};

Document::Document(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}
Document::~Document() = default;

DocumentPtr Document::empty() { return fromBytes({}); }

DocumentPtr Document::fromBytes(std::string bytes) { return fromEncoded(std::move(bytes), {}, std::nullopt).document; }

Result<DocumentPtr, IoError> Document::fromFile(const std::string& path)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return unexpected(IoError{path, IoStep::Open, errno});
    FdCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return unexpected(IoError{path, IoStep::Size, errno});
    // Only regular files have a size to read; folders, FIFOs and devices are refused.
    if (!S_ISREG(st.st_mode)) return unexpected(IoError{path, IoStep::Read, S_ISDIR(st.st_mode) ? EISDIR : EINVAL});
    const auto size = static_cast<std::uint64_t>(st.st_size);

    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->stamp = FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), size,
                            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    if (!impl->raw_.allocate(size)) return unexpected(IoError{path, IoStep::Read, ENOMEM});
    impl->data = reinterpret_cast<const unsigned char*>(impl->raw_.get());
    impl->expectedSize = size;

    // The first bytes are read here so that the first screen can be indexed now
    // and a file that cannot be read at all fails as a whole.
    const std::uint64_t first = std::min(size, kFirstChunk + 64 * 1024);
    std::uint64_t got = 0;
    while (got < first) {
        const ssize_t n = ::read(fd, impl->raw_.get() + got, first - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return unexpected(IoError{path, IoStep::Read, errno});
        if (n == 0) break;
        got += static_cast<std::uint64_t>(n);
    }
    impl->loadedBytes = got;
    const bool more = got == first && got < size;
    if (more) {
        impl->fd = fd;
        closer.fd = -1;  // the loader closes it
    } else {
        impl->loadDone = true;
    }
    if (more && size > kPrefaultFrom) impl->prefaultSecondHalf();
    impl->start(more);
    return DocumentPtr(new Document(std::move(impl)));
}

namespace {

// Appends the CP932 bytes of units to out; units without a code become '?' and
// are recorded with their byte offset.
void encodeRecording(std::u16string_view units, std::string& out, std::vector<Substitution>& subs)
{
    for (const char16_t u : units) {
        const int code = cp932::codeOf(u);
        if (code < 0) {
            subs.push_back({ByteOffset(out.size()), u});
            out.push_back('?');
        } else if (code > 0xFF) {
            out.push_back(static_cast<char>(code >> 8));
            out.push_back(static_cast<char>(code & 0xFF));
        } else {
            out.push_back(static_cast<char>(code));
        }
    }
}

}  // namespace

TextDocument Document::fromEncoded(std::string bytes, std::vector<Substitution> subs,
                                   std::optional<CharPos> firstUnencodable)
{
    auto impl = std::make_unique<Impl>();
    impl->subs = std::move(subs);
    impl->owned_ = std::move(bytes);
    impl->data = reinterpret_cast<const unsigned char*>(impl->owned_.data());
    impl->expectedSize = impl->loadedBytes = impl->owned_.size();
    impl->loadDone = true;
    impl->start(false);
    TextDocument r;
    r.unencodableCount = impl->subs.size();
    r.firstUnencodable = firstUnencodable;
    r.document = DocumentPtr(new Document(std::move(impl)));
    return r;
}

TextDocument Document::fromText(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 2);
    std::vector<Substitution> subs;
    encodeRecording(text, bytes, subs);
    std::optional<CharPos> first;
    if (!subs.empty()) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (!cp932::encodable(text[i])) {
                first = CharPos(i);
                break;
            }
        }
    }
    return fromEncoded(std::move(bytes), std::move(subs), first);
}

TextDocument Document::withText(std::u16string_view text) const
{
    const std::u16string old = this->text();
    const std::size_t common = std::min(old.size(), text.size());
    std::size_t prefix = 0;
    while (prefix < common && old[prefix] == text[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < common - prefix && old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) ++suffix;

    std::uint64_t prefixEnd, suffixBegin;
    {
        std::lock_guard lock(d_->m);
        prefixEnd = d_->byteOfLocked(prefix);
        suffixBegin = d_->byteOfLocked(old.size() - suffix);
    }
    const std::string_view all = bytesForSave();
    std::string bytes;
    bytes.reserve(prefixEnd + (all.size() - suffixBegin) + 2 * (text.size() - prefix - suffix));
    bytes.append(all.substr(0, prefixEnd));

    std::vector<Substitution> subs;
    for (const auto& s : d_->subs) {
        if (s.at.value < prefixEnd) subs.push_back(s);
    }
    encodeRecording(text.substr(prefix, text.size() - prefix - suffix), bytes, subs);
    const std::int64_t shift = static_cast<std::int64_t>(bytes.size()) - static_cast<std::int64_t>(suffixBegin);
    for (const auto& s : d_->subs) {
        if (s.at.value >= suffixBegin)
            subs.push_back(
                {ByteOffset(static_cast<std::uint64_t>(static_cast<std::int64_t>(s.at.value) + shift)), s.unit});
    }
    bytes.append(all.substr(suffixBegin));

    std::optional<CharPos> first;
    for (std::size_t i = 0; i < text.size() && !subs.empty(); ++i) {
        if (!cp932::encodable(text[i])) {
            first = CharPos(i);
            break;
        }
    }
    TextDocument made = fromEncoded(std::move(bytes), std::move(subs), first);
    made.document->d_->stamp = d_->stamp;
    return made;
}

std::optional<FileStamp> Document::fileStamp() const { return d_->stamp; }

ByteOffset Document::size() const
{
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->finalSizeLocked());
}

bool Document::loaded() const
{
    std::lock_guard lock(d_->m);
    return d_->loadDone;
}

bool Document::indexed() const
{
    std::lock_guard lock(d_->m);
    return d_->indexDone;
}

void Document::waitIndexed() const { d_->waitIndexed(); }

std::optional<IoError> Document::loadError() const
{
    std::lock_guard lock(d_->m);
    return d_->loadErr;
}

ByteOffset Document::indexedBytes() const
{
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->indexedEnd);
}

LineCount Document::lineCount() const
{
    std::lock_guard lock(d_->m);
    return LineCount(d_->breakTotal + 1);
}

ByteOffset Document::lineStart(LineNo n) const
{
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->lineStartLocked(std::min(n.value, d_->breakTotal)));
}

ByteOffset Document::lineEnd(LineNo n) const
{
    std::lock_guard lock(d_->m);
    if (n.value >= d_->breakTotal) return ByteOffset(d_->indexedEnd);
    const std::uint64_t start = d_->lineStartLocked(n.value);
    const std::uint64_t next = d_->breakAt(n.value);
    std::uint64_t end = next - 1;
    if (d_->data[end] == '\n' && end > start && d_->data[end - 1] == '\r') --end;
    return ByteOffset(end);
}

LineNo Document::lineOf(ByteOffset b) const
{
    std::lock_guard lock(d_->m);
    if (d_->segs.empty()) return LineNo(0);
    const auto& s = d_->segOfByte(std::min(b.value, d_->indexedEnd));
    const auto& br = s.seg.breaks;
    return LineNo(s.breakBegin +
                  static_cast<std::uint64_t>(std::upper_bound(br.begin(), br.end(), b.value) - br.begin()));
}

CharPos Document::charCount() const
{
    std::lock_guard lock(d_->m);
    return CharPos(d_->charTotal);
}

ByteOffset Document::byteOf(CharPos c) const
{
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->byteOfLocked(c.value));
}

CharPos Document::charOf(ByteOffset b) const
{
    std::lock_guard lock(d_->m);
    return CharPos(d_->charOfLocked(b.value));
}

std::string_view Document::bytes(ByteOffset from, ByteOffset to) const
{
    return {reinterpret_cast<const char*>(d_->data) + from.value, static_cast<std::size_t>(to.value - from.value)};
}

std::u16string Document::textOfBytes(ByteOffset from, ByteOffset to) const
{
    std::u16string out;
    out.reserve(static_cast<std::size_t>(to.value - from.value));
    std::uint64_t pos = from.value;
    auto it = std::lower_bound(d_->subs.begin(), d_->subs.end(), from.value,
                               [](const Substitution& s, std::uint64_t v) { return s.at.value < v; });
    for (; it != d_->subs.end() && it->at.value < to.value; ++it) {
        cp932::decodeAppend(bytes(ByteOffset(pos), it->at), out);
        out.push_back(it->unit);
        pos = it->at.value + 1;
    }
    cp932::decodeAppend(bytes(ByteOffset(pos), to), out);
    return out;
}

std::u16string Document::text() const
{
    d_->waitIndexed();
    return textOfBytes(ByteOffset(0), size());
}

std::u16string Document::text(CharPos from, CharCount length) const
{
    std::uint64_t b0, b1;
    {
        std::lock_guard lock(d_->m);
        const std::uint64_t c0 = std::min(from.value, d_->charTotal);
        const std::uint64_t c1 = c0 + std::min(length.value, d_->charTotal - c0);
        b0 = d_->byteOfLocked(c0);
        b1 = d_->byteOfLocked(c1);
    }
    return textOfBytes(ByteOffset(b0), ByteOffset(b1));
}

std::string_view Document::bytesForSave() const
{
    d_->waitLoaded();
    return bytes(ByteOffset(0), size());
}

std::string Document::rewrite(ByteRewriter& rewriter,
                              const std::function<void(ByteOffset done, ByteOffset total)>& progress) const
{
    constexpr std::size_t kSlice = 4 * 1024 * 1024;
    const std::string_view all = bytesForSave();
    rewriter.trackSubstitutions(d_->subs);
    std::string out;
    out.reserve(all.size() + all.size() / 8 + 64);
    adviseHugePages(out.data(), out.capacity());
    for (std::size_t at = 0; at < all.size(); at += kSlice) {
        rewriter.feed(all.substr(at, kSlice), out);
        if (progress) progress(ByteOffset(std::min(at + kSlice, all.size())), ByteOffset(all.size()));
    }
    rewriter.finish(out);
    return out;
}

DocumentPtr Document::fromRewrite(std::string bytes, const ByteRewriter& rewriter)
{
    return fromEncoded(std::move(bytes), rewriter.substitutions(), std::nullopt).document;
}

std::size_t Document::unencodableCount() const { return d_->subs.size(); }

const std::vector<Substitution>& Document::substitutions() const { return d_->subs; }

}  // namespace soramie
