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

    // Line breaks whose following line starts at or before p (p <= indexedEnd).
    std::uint64_t breaksUpToLocked(std::uint64_t p) const
    {
        if (segs.empty()) return 0;
        const auto& s = segOfByte(std::min(p, indexedEnd));
        return s.breakBegin + static_cast<std::uint64_t>(std::upper_bound(s.seg.breaks.begin(), s.seg.breaks.end(), p) -
                                                         s.seg.breaks.begin());
    }

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

Document::Document(std::shared_ptr<Impl> impl, NodePtr root) : d_(std::move(impl)), root_(std::move(root)) {}
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

// Makes impl hold bytes it owns, loaded in full, with the substitutions they
// carry, and starts indexing them.
void adoptBytes(Document::Impl& impl, std::string bytes, std::vector<Substitution> subs)
{
    impl.subs = std::move(subs);
    impl.owned_ = std::move(bytes);
    impl.data = reinterpret_cast<const unsigned char*>(impl.owned_.data());
    impl.expectedSize = impl.loadedBytes = impl.owned_.size();
    impl.loadDone = true;
    impl.start(false);
}

}  // namespace

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

// ---- The piece tree --------------------------------------------------------

using SourcePtr = std::shared_ptr<Document::Impl>;

namespace doc_detail {

// A stretch [begin, end) of a source's bytes, both ends on character
// boundaries of the source, with its counts as if it stood alone (a CR at its
// end counts as a break). Bases are the source's counts before `begin`.
struct Piece {
    SourcePtr src;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t chars = 0;
    std::uint64_t breaks = 0;
    std::uint64_t subs = 0;
    std::uint64_t charBase = 0;
    std::uint64_t breakBase = 0;
    bool endCr = false;  // ends in a CR that the source follows with an LF
    std::uint64_t size() const { return end - begin; }
};

struct Totals {
    std::uint64_t bytes = 0;
    std::uint64_t chars = 0;
    std::uint64_t breaks = 0;
    std::uint64_t subs = 0;
    std::uint64_t pieces = 0;
};

// A node of a persistent treap ordered by position: immutable once made, shared
// by every document that holds it.
struct PieceNode {
    Piece piece;
    std::shared_ptr<const PieceNode> left;
    std::shared_ptr<const PieceNode> right;
    std::uint64_t priority = 0;
    Totals sum;
};

}  // namespace doc_detail

namespace {

using doc_detail::Piece;
using doc_detail::PieceNode;
using doc_detail::Totals;
using NodePtr = std::shared_ptr<const PieceNode>;

Totals totals(const NodePtr& n) { return n ? n->sum : Totals{}; }

// Priorities from a counter through splitmix64: balanced in expectation and
// the same in every run.
std::uint64_t nextPriority()
{
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t z = counter.fetch_add(1) * 0x9E3779B97F4A7C15ull + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

NodePtr makeNode(Piece piece, NodePtr left, NodePtr right, std::uint64_t priority)
{
    auto n = std::make_shared<PieceNode>();
    const Totals l = totals(left);
    const Totals r = totals(right);
    n->sum = {l.bytes + piece.size() + r.bytes, l.chars + piece.chars + r.chars, l.breaks + piece.breaks + r.breaks,
              l.subs + piece.subs + r.subs, l.pieces + 1 + r.pieces};
    n->piece = std::move(piece);
    n->left = std::move(left);
    n->right = std::move(right);
    n->priority = priority;
    return n;
}

NodePtr leaf(Piece piece) { return makeNode(std::move(piece), nullptr, nullptr, nextPriority()); }

NodePtr merge(const NodePtr& a, const NodePtr& b)
{
    if (!a) return b;
    if (!b) return a;
    if (a->priority > b->priority) return makeNode(a->piece, a->left, merge(a->right, b), a->priority);
    return makeNode(b->piece, merge(a, b->left), b->right, b->priority);
}

// The piece of src over [begin, end) (character boundaries; src indexed).
Piece pieceOf(const SourcePtr& src, std::uint64_t begin, std::uint64_t end)
{
    Piece p;
    p.src = src;
    p.begin = begin;
    p.end = end;
    std::lock_guard lock(src->m);
    const std::uint64_t size = src->finalSizeLocked();
    p.charBase = src->charOfLocked(begin);
    p.breakBase = src->breaksUpToLocked(begin);
    p.chars = src->charOfLocked(end) - p.charBase;
    p.endCr = end > begin && end < size && src->data[end - 1] == '\r' && src->data[end] == '\n';
    p.breaks = src->breaksUpToLocked(end) - p.breakBase + (p.endCr ? 1 : 0);
    const auto& subs = src->subs;
    const auto lo = std::lower_bound(subs.begin(), subs.end(), begin,
                                     [](const Substitution& s, std::uint64_t v) { return s.at.value < v; });
    const auto hi =
        std::lower_bound(lo, subs.end(), end, [](const Substitution& s, std::uint64_t v) { return s.at.value < v; });
    p.subs = static_cast<std::uint64_t>(hi - lo);
    return p;
}

// Splits t at byte x: the left tree holds bytes [0, x).
std::pair<NodePtr, NodePtr> split(const NodePtr& t, std::uint64_t x)
{
    if (!t) return {};
    const std::uint64_t lb = totals(t->left).bytes;
    if (x <= lb) {
        auto [l, r] = split(t->left, x);
        return {l, makeNode(t->piece, r, t->right, t->priority)};
    }
    const std::uint64_t pe = lb + t->piece.size();
    if (x >= pe) {
        auto [l, r] = split(t->right, x - pe);
        return {makeNode(t->piece, t->left, l, t->priority), r};
    }
    const Piece& p = t->piece;
    const std::uint64_t at = p.begin + (x - lb);
    return {merge(t->left, leaf(pieceOf(p.src, p.begin, at))), merge(leaf(pieceOf(p.src, at, p.end)), t->right)};
}

// Where byte b lies: the piece holding it (null when b is the size) and the
// counts before that piece.
struct Located {
    const Piece* piece = nullptr;
    std::uint64_t start = 0;  // document offset of the piece's first byte
    std::uint64_t chars = 0;
    std::uint64_t breaks = 0;
    std::uint64_t local(std::uint64_t b) const { return piece->begin + (b - start); }
};

Located locate(const NodePtr& root, std::uint64_t b)
{
    Located at;
    const PieceNode* n = root.get();
    while (n) {
        const Totals l = totals(n->left);
        if (b < at.start + l.bytes) {
            n = n->left.get();
            continue;
        }
        at.start += l.bytes;
        at.chars += l.chars;
        at.breaks += l.breaks;
        if (b < at.start + n->piece.size()) {
            at.piece = &n->piece;
            return at;
        }
        at.start += n->piece.size();
        at.chars += n->piece.chars;
        at.breaks += n->piece.breaks;
        n = n->right.get();
    }
    return at;
}

// Calls fn(piece, document offset of the piece) for the pieces that overlap
// [from, to), in order.
template <class Fn>
void visit(const PieceNode* n, std::uint64_t base, std::uint64_t from, std::uint64_t to, Fn& fn)
{
    while (n && from < base + n->sum.bytes && to > base) {
        const std::uint64_t lb = totals(n->left).bytes;
        visit(n->left.get(), base, from, to, fn);
        const std::uint64_t ps = base + lb;
        if (from < ps + n->piece.size() && to > ps) fn(n->piece, ps);
        base = ps + n->piece.size();
        n = n->right.get();
    }
}

// Calls fn(piece, document offset of the piece) for the pieces that hold
// characters without a code, in order.
template <class Fn>
void visitSubs(const PieceNode* n, std::uint64_t base, Fn& fn)
{
    while (n && n->sum.subs > 0) {
        const std::uint64_t lb = totals(n->left).bytes;
        visitSubs(n->left.get(), base, fn);
        if (n->piece.subs > 0) fn(n->piece, base + lb);
        base += lb + n->piece.size();
        n = n->right.get();
    }
}

// The piece that holds the k-th (from 0) unit of the count a piece and a
// subtree keep in the given members (characters or line breaks), with k made
// relative to that piece and the document offset of the piece's first byte;
// no piece (and the offset of the end) when the document has k units or fewer.
struct Counted {
    const Piece* piece = nullptr;
    std::uint64_t k = 0;
    std::uint64_t start = 0;
};

template <std::uint64_t Totals::*SubtreeCount, std::uint64_t Piece::*PieceCount>
Counted findCounted(const PieceNode* node, std::uint64_t k)
{
    std::uint64_t start = 0;
    while (node) {
        const Totals l = totals(node->left);
        if (k < l.*SubtreeCount) {
            node = node->left.get();
            continue;
        }
        k -= l.*SubtreeCount;
        start += l.bytes;
        const Piece& p = node->piece;
        if (k < p.*PieceCount) return {&p, k, start};
        k -= p.*PieceCount;
        start += p.size();
        node = node->right.get();
    }
    return {nullptr, k, start};
}

std::string_view viewOf(const Piece& p, std::uint64_t a, std::uint64_t b)
{
    return {reinterpret_cast<const char*>(p.src->data) + a, static_cast<std::size_t>(b - a)};
}

// Appends the text of source bytes [a, b) (character boundaries) to out, with
// the source's remembered unencodable units.
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

// A fully indexed source holding bytes.
SourcePtr newSource(std::string bytes, std::vector<Substitution> subs)
{
    auto impl = std::make_shared<Document::Impl>();
    adoptBytes(*impl, std::move(bytes), std::move(subs));
    impl->waitIndexed();
    return impl;
}

unsigned char byteIn(const NodePtr& root, std::uint64_t b)
{
    const Located at = locate(root, b);
    return at.piece->src->data[at.local(b)];
}

// Whether document offset b is a character boundary of the piece holding it.
bool pieceBoundary(const NodePtr& root, std::uint64_t b)
{
    const Located at = locate(root, b);
    if (!at.piece || at.start == b) return true;
    const std::uint64_t q = at.local(b);
    std::lock_guard lock(at.piece->src->m);
    return at.piece->src->byteOfLocked(at.piece->src->charOfLocked(q)) == q;
}

// Keeps every piece consistent with the decode of the whole byte string at
// the piece boundary j: a piece that ends in a lone lead byte which the next
// piece's first byte completes, or in a CR that the next piece's LF follows,
// has those bytes (and whatever the shifted decode needs until the two agree
// again) moved into a piece of their own.
NodePtr repairJunction(NodePtr t, std::uint64_t j)
{
    const std::uint64_t size = totals(t).bytes;
    if (j == 0 || j >= size || locate(t, j).start != j) return t;
    const unsigned char b1 = byteIn(t, j - 1);
    const unsigned char b2 = byteIn(t, j);
    const bool crlf = b1 == '\r' && b2 == '\n';
    bool pair = false;
    if (!crlf && cp932::isLeadByte(b1) && pieceBoundary(t, j - 1)) {
        const char two[2] = {static_cast<char>(b1), static_cast<char>(b2)};
        std::size_t consumed = 1;
        cp932::decodeOne(std::string_view(two, 2), consumed);
        pair = consumed == 2;
    }
    if (!crlf && !pair) return t;
    const std::uint64_t s = j - 1;
    std::uint64_t pos = s;
    for (;;) {
        std::size_t n = 1;
        const unsigned char c = byteIn(t, pos);
        if (cp932::isLeadByte(c) && pos + 1 < size) {
            const char two[2] = {static_cast<char>(c), static_cast<char>(byteIn(t, pos + 1))};
            cp932::decodeOne(std::string_view(two, 2), n);
        }
        pos += n;
        if (pos >= size) break;
        if (pos <= j) continue;
        if (byteIn(t, pos - 1) == '\r' && byteIn(t, pos) == '\n') continue;
        if (pieceBoundary(t, pos)) break;
    }
    std::string bytes;
    std::vector<Substitution> subs;
    auto copy = [&](const Piece& p, std::uint64_t ps) {
        const std::uint64_t a = p.begin + (std::max(s, ps) - ps);
        const std::uint64_t b = p.begin + (std::min(pos, ps + p.size()) - ps);
        for (const auto& sub : p.src->subs) {
            if (sub.at.value >= a && sub.at.value < b)
                subs.push_back({ByteOffset(bytes.size() + (sub.at.value - a)), sub.unit});
        }
        bytes.append(viewOf(p, a, b));
    };
    visit(t.get(), 0, s, pos, copy);
    auto [left, rest] = split(t, s);
    auto [mid, right] = split(rest, pos - s);
    const SourcePtr src = newSource(std::move(bytes), std::move(subs));
    const std::uint64_t len = pos - s;
    return merge(merge(left, leaf(pieceOf(src, 0, len))), right);
}

}  // namespace

Document::NodePtr Document::tree() const
{
    if (root_) return root_;
    d_->waitIndexed();
    const std::uint64_t size = this->size().value;
    return size == 0 ? nullptr : leaf(pieceOf(d_, 0, size));
}

DocumentPtr Document::edited(ByteOffset from, ByteOffset to, std::u16string_view text) const
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 2);
    std::vector<Substitution> subs;
    encodeRecording(text, bytes, subs);
    return editedEncoded(from, to, std::move(bytes), std::move(subs));
}

DocumentPtr Document::editedBytes(ByteOffset from, ByteOffset to, std::string_view bytes) const
{
    return editedEncoded(from, to, std::string(bytes), {});
}

DocumentPtr Document::editedEncoded(ByteOffset from, ByteOffset to, std::string bytes,
                                    std::vector<Substitution> subs) const
{
    NodePtr t = tree();
    const std::uint64_t size = totals(t).bytes;
    const std::uint64_t a = std::min(from.value, size);
    const std::uint64_t b = std::clamp(to.value, a, size);
    auto [left, rest] = split(t, a);
    auto [gone, right] = split(rest, b - a);
    const std::uint64_t len = bytes.size();
    NodePtr inserted;
    if (len > 0) inserted = leaf(pieceOf(newSource(std::move(bytes), std::move(subs)), 0, len));
    t = merge(merge(left, inserted), right);
    t = repairJunction(std::move(t), a);
    if (len > 0) t = repairJunction(std::move(t), a + len);
    if (!t) t = leaf(pieceOf(newSource({}, {}), 0, 0));
    return DocumentPtr(new Document(d_, std::move(t)));
}

std::size_t Document::pieceCount() const { return root_ ? static_cast<std::size_t>(root_->sum.pieces) : 1; }

TextDocument Document::withText(std::u16string_view text) const
{
    const std::u16string old = this->text();
    const std::size_t common = std::min(old.size(), text.size());
    std::size_t prefix = 0;
    while (prefix < common && old[prefix] == text[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < common - prefix && old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) ++suffix;

    const std::uint64_t prefixEnd = byteOf(CharPos(prefix)).value;
    const std::uint64_t suffixBegin = byteOf(CharPos(old.size() - suffix)).value;
    const std::string all = bytesForSave();
    const auto& oldSubs = substitutions();
    std::string bytes;
    bytes.reserve(prefixEnd + (all.size() - suffixBegin) + 2 * (text.size() - prefix - suffix));
    bytes.append(std::string_view(all).substr(0, prefixEnd));

    std::vector<Substitution> subs;
    for (const auto& s : oldSubs) {
        if (s.at.value < prefixEnd) subs.push_back(s);
    }
    encodeRecording(text.substr(prefix, text.size() - prefix - suffix), bytes, subs);
    const std::int64_t shift = static_cast<std::int64_t>(bytes.size()) - static_cast<std::int64_t>(suffixBegin);
    for (const auto& s : oldSubs) {
        if (s.at.value >= suffixBegin)
            subs.push_back(
                {ByteOffset(static_cast<std::uint64_t>(static_cast<std::int64_t>(s.at.value) + shift)), s.unit});
    }
    bytes.append(std::string_view(all).substr(suffixBegin));

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
    if (root_) return ByteOffset(root_->sum.bytes);
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->finalSizeLocked());
}

bool Document::loaded() const
{
    if (root_) return true;
    std::lock_guard lock(d_->m);
    return d_->loadDone;
}

bool Document::indexed() const
{
    if (root_) return true;
    std::lock_guard lock(d_->m);
    return d_->indexDone;
}

void Document::waitIndexed() const
{
    if (!root_) d_->waitIndexed();
}

void Document::waitIndexedBeyond(ByteOffset b) const
{
    if (root_) return;
    std::unique_lock lock(d_->m);
    d_->cv.wait(lock, [&] { return d_->indexDone || d_->indexedEnd > b.value; });
}

std::optional<IoError> Document::loadError() const
{
    std::lock_guard lock(d_->m);
    return d_->loadErr;
}

ByteOffset Document::indexedBytes() const
{
    if (root_) return size();
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->indexedEnd);
}

LineCount Document::lineCount() const
{
    if (root_) return LineCount(root_->sum.breaks + 1);
    std::lock_guard lock(d_->m);
    return LineCount(d_->breakTotal + 1);
}

ByteOffset Document::lineStart(LineNo n) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        return ByteOffset(d_->lineStartLocked(std::min(n.value, d_->breakTotal)));
    }
    if (n.value == 0) return ByteOffset(0);
    // The start of line n follows break n - 1.
    const Counted at =
        findCounted<&Totals::breaks, &Piece::breaks>(root_.get(), std::min(n.value, root_->sum.breaks) - 1);
    if (!at.piece) return ByteOffset(at.start);
    const Piece& p = *at.piece;
    if (p.endCr && at.k + 1 == p.breaks) return ByteOffset(at.start + p.size());
    std::lock_guard lock(p.src->m);
    return ByteOffset(at.start + (p.src->breakAt(p.breakBase + at.k) - p.begin));
}

ByteOffset Document::lineEnd(LineNo n) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        if (n.value >= d_->breakTotal) return ByteOffset(d_->indexedEnd);
        const std::uint64_t start = d_->lineStartLocked(n.value);
        const std::uint64_t next = d_->breakAt(n.value);
        std::uint64_t end = next - 1;
        if (d_->data[end] == '\n' && end > start && d_->data[end - 1] == '\r') --end;
        return ByteOffset(end);
    }
    if (n.value >= root_->sum.breaks) return size();
    const std::uint64_t start = lineStart(n).value;
    std::uint64_t end = lineStart(n + 1).value - 1;
    if (byteIn(root_, end) == '\n' && end > start && byteIn(root_, end - 1) == '\r') --end;
    return ByteOffset(end);
}

LineNo Document::lineOf(ByteOffset b) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        if (d_->segs.empty()) return LineNo(0);
        const auto& s = d_->segOfByte(std::min(b.value, d_->indexedEnd));
        const auto& br = s.seg.breaks;
        return LineNo(s.breakBegin +
                      static_cast<std::uint64_t>(std::upper_bound(br.begin(), br.end(), b.value) - br.begin()));
    }
    const Located at = locate(root_, b.value);
    if (!at.piece) return LineNo(root_->sum.breaks);
    std::lock_guard lock(at.piece->src->m);
    return LineNo(at.breaks + at.piece->src->breaksUpToLocked(at.local(b.value)) - at.piece->breakBase);
}

CharPos Document::charCount() const
{
    if (root_) return CharPos(root_->sum.chars);
    std::lock_guard lock(d_->m);
    return CharPos(d_->charTotal);
}

ByteOffset Document::byteOf(CharPos c) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        return ByteOffset(d_->byteOfLocked(c.value));
    }
    const Counted at = findCounted<&Totals::chars, &Piece::chars>(root_.get(), c.value);
    if (!at.piece) return ByteOffset(at.start);
    const Piece& p = *at.piece;
    std::lock_guard lock(p.src->m);
    return ByteOffset(at.start + (p.src->byteOfLocked(p.charBase + at.k) - p.begin));
}

CharPos Document::charOf(ByteOffset b) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        return CharPos(d_->charOfLocked(b.value));
    }
    const Located at = locate(root_, b.value);
    if (!at.piece) return CharPos(root_->sum.chars);
    std::lock_guard lock(at.piece->src->m);
    return CharPos(at.chars + at.piece->src->charOfLocked(at.local(b.value)) - at.piece->charBase);
}

std::string_view Document::bytes(ByteOffset from, ByteOffset to, std::string& scratch) const
{
    if (!root_) {
        return {reinterpret_cast<const char*>(d_->data) + from.value, static_cast<std::size_t>(to.value - from.value)};
    }
    if (from >= to) return {};
    const Located at = locate(root_, from.value);
    if (at.piece && to.value <= at.start + at.piece->size()) {
        return viewOf(*at.piece, at.local(from.value), at.local(to.value));
    }
    scratch.clear();
    scratch.reserve(static_cast<std::size_t>(to.value - from.value));
    auto fn = [&](const Piece& p, std::uint64_t ps) {
        const std::uint64_t a = std::max(from.value, ps);
        const std::uint64_t b = std::min(to.value, ps + p.size());
        scratch.append(viewOf(p, p.begin + (a - ps), p.begin + (b - ps)));
    };
    visit(root_.get(), 0, from.value, to.value, fn);
    return scratch;
}

char Document::byteAt(ByteOffset b) const
{
    if (root_) return static_cast<char>(byteIn(root_, b.value));
    d_->waitLoaded();
    return static_cast<char>(d_->data[b.value]);
}

std::vector<std::string_view> Document::slices() const
{
    std::vector<std::string_view> out;
    if (!root_) {
        d_->waitLoaded();
        out.emplace_back(reinterpret_cast<const char*>(d_->data), static_cast<std::size_t>(size().value));
        return out;
    }
    out.reserve(static_cast<std::size_t>(root_->sum.pieces));
    auto fn = [&](const Piece& p, std::uint64_t) {
        if (p.size() > 0) out.push_back(viewOf(p, p.begin, p.end));
    };
    visit(root_.get(), 0, 0, root_->sum.bytes, fn);
    return out;
}

void Document::appendText(ByteOffset from, ByteOffset to, std::u16string& out) const
{
    if (!root_) {
        appendSourceText(*d_, from.value, to.value, out);
        return;
    }
    auto fn = [&](const Piece& p, std::uint64_t ps) {
        const std::uint64_t a = std::max(from.value, ps);
        const std::uint64_t b = std::min(to.value, ps + p.size());
        appendSourceText(*p.src, p.begin + (a - ps), p.begin + (b - ps), out);
    };
    visit(root_.get(), 0, from.value, to.value, fn);
}

std::u16string Document::textOfBytes(ByteOffset from, ByteOffset to) const
{
    std::u16string out;
    if (from >= to) return out;
    out.reserve(static_cast<std::size_t>(to.value - from.value));
    appendText(from, to, out);
    return out;
}

std::u16string Document::text() const
{
    waitIndexed();
    return textOfBytes(ByteOffset(0), size());
}

std::u16string Document::text(CharPos from, CharCount length) const
{
    const std::uint64_t total = charCount().value;
    const std::uint64_t c0 = std::min(from.value, total);
    const std::uint64_t c1 = c0 + std::min(length.value, total - c0);
    return textOfBytes(byteOf(CharPos(c0)), byteOf(CharPos(c1)));
}

std::string Document::bytesForSave() const
{
    std::string out;
    for (const std::string_view s : slices()) out.append(s);
    return out;
}

std::string Document::rewrite(ByteRewriter& rewriter,
                              const std::function<void(ByteOffset done, ByteOffset total)>& progress) const
{
    constexpr std::size_t kSlice = 4 * kMiB;
    const std::vector<std::string_view> parts = slices();
    const std::uint64_t total = size().value;
    rewriter.trackSubstitutions(substitutions());
    std::string out;
    out.reserve(static_cast<std::size_t>(total + total / 8 + 64));
    adviseHugePages(out.data(), out.capacity());
    std::uint64_t done = 0;
    std::uint64_t nextReport = kSlice;  // progress about every kSlice bytes, however the pieces are cut
    for (const std::string_view part : parts) {
        for (std::size_t at = 0; at < part.size(); at += kSlice) {
            const std::string_view slice = part.substr(at, kSlice);
            rewriter.feed(slice, out);
            done += slice.size();
            if (progress && (done >= nextReport || done == total)) {
                progress(ByteOffset(done), ByteOffset(total));
                nextReport = done + kSlice;
            }
        }
    }
    rewriter.finish(out);
    return out;
}

DocumentPtr Document::fromRewrite(std::string bytes, const ByteRewriter& rewriter)
{
    return fromEncoded(std::move(bytes), rewriter.substitutions(), std::nullopt).document;
}

std::size_t Document::unencodableCount() const
{
    return root_ ? static_cast<std::size_t>(root_->sum.subs) : d_->subs.size();
}

const std::vector<Substitution>& Document::substitutions() const
{
    if (!root_) return d_->subs;
    std::call_once(subsOnce_, [this] {
        auto fn = [this](const Piece& p, std::uint64_t ps) {
            if (p.subs == 0) return;
            for (const auto& s : p.src->subs) {
                if (s.at.value >= p.begin && s.at.value < p.end)
                    subsCache_.push_back({ByteOffset(ps + (s.at.value - p.begin)), s.unit});
            }
        };
        visitSubs(root_.get(), 0, fn);
    });
    return subsCache_;
}

}  // namespace soramie
