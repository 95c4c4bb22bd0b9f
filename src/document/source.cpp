// SPDX-License-Identifier: MIT
// The source of a document: its bytes, the background reading of a file and the
// chunked line and character index (see private/source.h).
#include "document/private/source.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/cp932.h"
#include "core/memory.h"

namespace soramie {

namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;

// The first chunk is indexed before a factory returns: enough for a first screen.
constexpr std::uint64_t kFirstChunk = 64 * kKiB;
// Documents up to this size are indexed as one chunk, synchronously.
constexpr std::uint64_t kSmallDocument = kMiB;
// Background chunks, indexed in parallel.
constexpr std::uint64_t kChunk = 8 * kMiB;
// Files above this size have the second half of their buffer faulted in by a
// thread of its own while the loader reads the first half.
constexpr std::uint64_t kPrefaultFrom = 64 * kMiB;
// Bytes read by one read() call of the background loader.
constexpr std::uint64_t kReadPiece = 8 * kMiB;

// Closes the descriptor it holds unless handed on (fd set to -1).
struct FdCloser {
    int fd;
    ~FdCloser()
    {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

namespace doc_detail {

bool PageBuffer::allocate(std::uint64_t size)
{
    size_ = size == 0 ? 1 : size;
    void* p = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return false;
    data_ = static_cast<char*>(p);
    adviseHugePages(p, size_);
    return true;
}

PageBuffer::~PageBuffer()
{
    if (data_) ::munmap(data_, size_);
}

void encodeRecording(std::u16string_view units, std::string& out, std::vector<Substitution>& subs)
{
    for (const char16_t u : units) {
        const int code = cp932::codeOf(u);
        if (code < 0) {
            subs.push_back({ByteOffset(out.size()), u});
            out.push_back('?');
        } else {
            cp932::appendCode(code, out);
        }
    }
}

void adoptBytes(Document::Impl& impl, std::string bytes, std::vector<Substitution> subs)
{
    impl.subs = std::move(subs);
    impl.owned_ = std::move(bytes);
    impl.data = reinterpret_cast<const unsigned char*>(impl.owned_.data());
    impl.expectedSize = impl.loadedBytes = impl.owned_.size();
    impl.loadDone = true;
    impl.start(false);
}

SourcePtr newSource(std::string bytes, std::vector<Substitution> subs)
{
    auto impl = std::make_shared<Document::Impl>();
    adoptBytes(*impl, std::move(bytes), std::move(subs));
    impl->waitIndexed();
    return impl;
}

void appendSourceText(const Document::Impl& src, std::uint64_t a, std::uint64_t b, std::u16string& out)
{
    const auto view = [&](std::uint64_t x, std::uint64_t y) {
        return std::string_view(reinterpret_cast<const char*>(src.data) + x, static_cast<std::size_t>(y - x));
    };
    std::uint64_t pos = a;
    auto it = std::lower_bound(src.subs.begin(), src.subs.end(), a,
                               [](const Substitution& s, std::uint64_t v) { return s.at.value < v; });
    for (; it != src.subs.end() && it->at.value < b; ++it) {
        cp932::decodeAppend(view(pos, it->at.value), out);
        out.push_back(it->unit);
        pos = it->at.value + 1;
    }
    cp932::decodeAppend(view(pos, b), out);
}

}  // namespace doc_detail

using doc_detail::adoptBytes;
using doc_detail::encodeRecording;
using doc_detail::PublishedSegment;

Document::Impl::~Impl()
{
    stop.store(true);
    {
        std::lock_guard lock(m);
    }
    cv.notify_all();
    for (auto& t : threads) t.join();
    if (fd >= 0) ::close(fd);
}

std::optional<std::uint64_t> Document::Impl::boundary(std::uint64_t x)
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

bool Document::Impl::indexChunk(std::size_t c)
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

void Document::Impl::publish(std::size_t c, doc_detail::Segment seg)
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

void Document::Impl::worker()
{
    for (;;) {
        const std::size_t c = nextChunk.fetch_add(1);
        if (c >= starts.size() || stop.load()) return;
        if (!indexChunk(c)) return;
    }
}

void Document::Impl::loader()
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

void Document::Impl::prefaultSecondHalf()
{
#if defined(MADV_POPULATE_WRITE)
    threads.emplace_back([this] {
        constexpr std::uint64_t kStep = 32 * kMiB;
        constexpr std::uint64_t kPage = 2 * kMiB;
        auto* base = raw_.get();
        const std::uint64_t end = expectedSize & ~(kPage - 1);
        for (std::uint64_t at = (expectedSize / 2) & ~(kPage - 1); at < end && !stop.load(); at += kStep) {
            if (::madvise(base + at, std::min(kStep, end - at), MADV_POPULATE_WRITE) != 0) return;
        }
    });
#endif
}

void Document::Impl::start(bool withLoader)
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

const doc_detail::PublishedSegment& Document::Impl::segOfByte(std::uint64_t b) const
{
    auto it = std::upper_bound(segs.begin(), segs.end(), b,
                               [](std::uint64_t v, const PublishedSegment& s) { return v < s.seg.begin; });
    return *std::prev(it);
}
const doc_detail::PublishedSegment& Document::Impl::segOfChar(std::uint64_t c) const
{
    auto it = std::upper_bound(segs.begin(), segs.end(), c,
                               [](std::uint64_t v, const PublishedSegment& s) { return v < s.charBegin; });
    return *std::prev(it);
}
std::uint64_t Document::Impl::breakAt(std::uint64_t k) const
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
std::uint64_t Document::Impl::charOfLocked(std::uint64_t b) const
{
    if (segs.empty()) return 0;
    b = std::min(b, indexedEnd);
    const auto& s = segOfByte(b);
    return s.charBegin + doc_detail::charOf(data, s.seg, b);
}
std::uint64_t Document::Impl::byteOfLocked(std::uint64_t c) const
{
    if (segs.empty()) return 0;
    c = std::min(c, charTotal);
    const auto& s = segOfChar(c);
    return doc_detail::byteOf(data, s.seg, c - s.charBegin);
}

std::uint64_t Document::Impl::breaksUpToLocked(std::uint64_t p) const
{
    if (segs.empty()) return 0;
    const auto& s = segOfByte(std::min(p, indexedEnd));
    return s.breakBegin + static_cast<std::uint64_t>(std::upper_bound(s.seg.breaks.begin(), s.seg.breaks.end(), p) -
                                                     s.seg.breaks.begin());
}

void Document::Impl::waitLoaded() const
{
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return loadDone; });
}
void Document::Impl::waitIndexed() const
{
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return indexDone; });
}

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
    const std::uint64_t first = std::min(size, kFirstChunk + 64 * kKiB);
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

TextDocument Document::fromEncoded(std::string bytes, std::vector<Substitution> subs,
                                   std::optional<CharPos> firstUnencodable)
{
    auto impl = std::make_unique<Impl>();
    adoptBytes(*impl, std::move(bytes), std::move(subs));
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

}  // namespace soramie
