// SPDX-License-Identifier: MIT
// The source of a document: its bytes, read in place from a file or owned, and
// the block index built in parallel chunks (see private/source.h).
#include "document/private/source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/cp932.h"

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
    impl.expectedSize = impl.sizeNow = impl.owned_.size();
    impl.loadDone = true;
    impl.start();
}

int adoptFile(Document::Impl& impl, int fd, std::uint64_t size, bool checked)
{
    int error = 0;
    impl.map_ = MappedFile::map(fd, size, error);
    if (!impl.map_) return error;
    impl.data = impl.map_->data();
    impl.expectedSize = impl.sizeNow = size;
    impl.fd = fd;
    impl.checked = checked;
    impl.start();
    return 0;
}

SourcePtr newSource(std::string bytes, std::vector<Substitution> subs)
{
    auto impl = std::make_shared<Document::Impl>();
    adoptBytes(*impl, std::move(bytes), std::move(subs));
    impl->waitIndexed();
    return impl;
}

SourcePtr editableSource(const SourcePtr& src)
{
    if (!src->map_ || !src->checked) return src;
    std::lock_guard lock(src->m);
    if (src->sizeNow > Document::kPrivateCopyMax) return src;
    if (auto copy = src->privateCopy.lock()) return copy;
    auto copy = std::make_shared<Document::Impl>();
    const std::uint64_t size = src->sizeNow;
    copy->owned_.resize(static_cast<std::size_t>(size));
    auto* out = reinterpret_cast<unsigned char*>(copy->owned_.data());
    // Block by block, each checked as it is copied: the copy holds the bytes
    // the index was built from, or the source is marked changed.
    for (std::size_t i = 0; i < src->blocks.size(); ++i) {
        const std::uint64_t a = src->blocks[i].begin;
        const std::uint64_t b = src->blockEnd(i);
        std::memcpy(out + a, src->data + a, static_cast<std::size_t>(b - a));
        if (hashBytes(out, a, b) != src->blocks[i].hash) src->changed.store(true);
    }
    copy->data = out;
    copy->expectedSize = copy->sizeNow = size;
    copy->subs = src->subs;
    copy->blocks = src->blocks;
    copy->indexedEnd = src->indexedEnd;
    copy->breakTotal = src->breakTotal;
    copy->charTotal = src->charTotal;
    copy->loadDone = copy->indexDone = true;
    src->privateCopy = copy;
    return copy;
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
using doc_detail::BlockDetail;
using doc_detail::encodeRecording;
using doc_detail::ScannedRange;

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

std::uint64_t Document::Impl::boundary(std::uint64_t x, std::uint64_t end) const
{
    if (x == 0) return 0;
    if (x >= end) return end;
    return doc_detail::findSync(data, x, end);
}

void Document::Impl::checkSize()
{
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return;
    const auto now = static_cast<std::uint64_t>(st.st_size);
    std::lock_guard lock(m);
    if (now < sizeNow) sizeNow = now;
}

void Document::Impl::indexChunk(std::size_t c)
{
    checkSize();
    std::uint64_t size;
    {
        std::lock_guard lock(m);
        size = sizeNow;
    }
    const std::uint64_t b = boundary(starts[c], size);
    const std::uint64_t e = c + 1 < starts.size() ? std::max(b, boundary(starts[c + 1], size)) : size;
    if (map_) map_->prefetch(b, e + 1);
    // The CR at e - 1 peeks byte e when one follows.
    publish(c, doc_detail::scan(data, std::min(size, e + 1), b, e, checked));
}

void Document::Impl::publish(std::size_t c, ScannedRange range)
{
    {
        std::lock_guard lock(m);
        slots[c] = std::move(range);
        while (nextPublish < slots.size() && slots[nextPublish]) {
            ScannedRange r = std::move(*slots[nextPublish]);
            slots[nextPublish].reset();
            ++nextPublish;
            // A chunk that does not follow on is past a new end the file was cut
            // to meanwhile; finishLocked() cuts the index there.
            if (r.begin != indexedEnd || (r.begin == r.end && !blocks.empty())) continue;
            for (doc_detail::Block blk : r.blocks) {
                blk.chars += charTotal;
                blk.breaks += breakTotal;
                blocks.push_back(blk);
            }
            charTotal += r.chars;
            breakTotal += r.breaks;
            indexedEnd = r.end;
        }
        if (nextPublish == slots.size()) finishLocked();
    }
    cv.notify_all();
}

void Document::Impl::finishLocked()
{
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0) sizeNow = std::min(sizeNow, static_cast<std::uint64_t>(st.st_size));
    }
    if (sizeNow < expectedSize) cutLocked(std::min(sizeNow, indexedEnd));
    shrank = indexedEnd < expectedSize;
    sizeNow = indexedEnd;
    faultsWhenIndexed = map_ ? map_->faults() : 0;
    // Pages that vanished while the file kept its length could not be read.
    if (faultsWhenIndexed > 0 && !shrank) loadErr = IoError{path, IoStep::Read, EIO};
    loadDone = indexDone = true;
}

void Document::Impl::cutLocked(std::uint64_t n)
{
    while (blocks.size() > 1 && blocks.back().begin >= n) blocks.pop_back();
    for (auto& e : cache) e.block = SIZE_MAX;
    const doc_detail::Block last = blocks.back();
    n = std::max(n, last.begin);
    const auto rescan = [&](std::uint64_t end) {
        const ScannedRange r = doc_detail::scan(data, end, last.begin, end, false);
        charTotal = last.chars + r.chars;
        breakTotal = last.breaks + r.breaks;
        indexedEnd = end;
    };
    rescan(n);
    // A lead byte left alone at the new end lost its trail to the cut.
    if (n > last.begin && cp932::isLeadByte(data[n - 1])) {
        const BlockDetail d = doc_detail::scanDetail(data, n, last.begin, n);
        if (doc_detail::byteOf(data, d, charTotal - last.chars - 1) == n - 1) rescan(n - 1);
    }
    blocks.back().hash = checked ? doc_detail::hashBytes(data, last.begin, indexedEnd) : 0;
}

void Document::Impl::worker()
{
    for (;;) {
        const std::size_t c = nextChunk.fetch_add(1);
        if (c >= starts.size() || stop.load()) return;
        indexChunk(c);
    }
}

void Document::Impl::start()
{
    const std::uint64_t size = expectedSize;
    starts.push_back(0);
    if (size > kSmallDocument) {
        for (std::uint64_t s = kFirstChunk; s < size; s += kChunk) starts.push_back(s);
    }
    slots.resize(starts.size());
    blocks.reserve(static_cast<std::size_t>(size / doc_detail::kBlockBytes + starts.size() + 1));
    indexChunk(0);
    nextChunk.store(1);
    if (starts.size() > 1) {
        const unsigned n = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
        for (unsigned i = 0; i < n; ++i) threads.emplace_back([this] { worker(); });
    }
}

std::size_t Document::Impl::blockOfByte(std::uint64_t b) const
{
    auto it = std::upper_bound(blocks.begin(), blocks.end(), b,
                               [](std::uint64_t v, const doc_detail::Block& blk) { return v < blk.begin; });
    return static_cast<std::size_t>(std::prev(it) - blocks.begin());
}

const BlockDetail& Document::Impl::detailLocked(std::size_t i) const
{
    CacheEntry* victim = &cache[0];
    for (CacheEntry& e : cache) {
        if (e.block == i) {
            e.used = ++cacheClock;
            return e.detail;
        }
        if (e.used < victim->used) victim = &e;
    }
    const std::uint64_t a = blocks[i].begin;
    const std::uint64_t b = blockEnd(i);
    victim->detail = doc_detail::scanDetail(data, std::min(sizeNow, b + 1), a, b);
    victim->block = i;
    victim->used = ++cacheClock;
    if (checked && victim->detail.hash != blocks[i].hash) changed.store(true);
    return victim->detail;
}

std::uint64_t Document::Impl::breakAt(std::uint64_t k) const
{  // k < breakTotal
    auto it = std::upper_bound(blocks.begin(), blocks.end(), k,
                               [](std::uint64_t v, const doc_detail::Block& blk) { return v < blk.breaks; });
    const auto i = static_cast<std::size_t>(std::prev(it) - blocks.begin());
    const BlockDetail& d = detailLocked(i);
    const std::uint64_t j = k - blocks[i].breaks;
    return j < d.lineStarts.size() ? d.lineStarts[j] : blockEnd(i);
}

std::uint64_t Document::Impl::charOfLocked(std::uint64_t b) const
{
    if (b >= indexedEnd) return charTotal;
    const std::size_t i = blockOfByte(b);
    if (b == blocks[i].begin) return blocks[i].chars;
    return blocks[i].chars + doc_detail::charOf(data, detailLocked(i), b);
}

std::uint64_t Document::Impl::byteOfLocked(std::uint64_t c) const
{
    if (c >= charTotal) return indexedEnd;
    auto it = std::upper_bound(blocks.begin(), blocks.end(), c,
                               [](std::uint64_t v, const doc_detail::Block& blk) { return v < blk.chars; });
    const auto i = static_cast<std::size_t>(std::prev(it) - blocks.begin());
    if (c == blocks[i].chars) return blocks[i].begin;
    return doc_detail::byteOf(data, detailLocked(i), c - blocks[i].chars);
}

std::uint64_t Document::Impl::breaksUpToLocked(std::uint64_t p) const
{
    if (p >= indexedEnd) return breakTotal;
    const std::size_t i = blockOfByte(p);
    if (p == blocks[i].begin) return blocks[i].breaks;
    const auto& lines = detailLocked(i).lineStarts;
    return blocks[i].breaks +
           static_cast<std::uint64_t>(std::upper_bound(lines.begin(), lines.end(), p) - lines.begin());
}

bool Document::Impl::verify(std::uint64_t a, std::uint64_t b) const
{
    if (!checked) return true;
    waitIndexed();
    // Indexed: the blocks no longer change and are read without m.
    if (blocks.empty() || a >= b) return intact();
    for (std::size_t i = blockOfByte(a); i < blocks.size() && blocks[i].begin < b; ++i) {
        if (doc_detail::hashBytes(data, blocks[i].begin, blockEnd(i)) != blocks[i].hash) changed.store(true);
    }
    return intact();
}

void Document::Impl::verifyIndexed(std::uint64_t a, std::uint64_t b) const
{
    if (!checked || a >= b) return;
    std::lock_guard lock(m);
    if (blocks.empty()) return;
    for (std::size_t i = blockOfByte(a); i < blocks.size() && blocks[i].begin < b; ++i) {
        const std::uint64_t e = blockEnd(i);
        if (e > indexedEnd || (i + 1 == blocks.size() && !indexDone)) break;
        if (doc_detail::hashBytes(data, blocks[i].begin, e) != blocks[i].hash) changed.store(true);
    }
}

namespace {

// Replaces the bytes of a block that no longer matches its checksum: each
// character (as the bytes decode now) by a mark of its own length, CR and LF
// kept.
void withhold(std::string& block)
{
    auto* p = reinterpret_cast<unsigned char*>(block.data());
    const std::uint64_t n = block.size();
    for (std::uint64_t i = 0; i < n;) {
        const int width = doc_detail::charBytes(p, i, n);
        if (width == 2) {
            p[i] = 0x81;  // 〓, the mark for a character that cannot be shown
            p[i + 1] = 0xAC;
        } else if (p[i] != '\r' && p[i] != '\n') {
            p[i] = '?';
        }
        i += static_cast<std::uint64_t>(width);
    }
}

}  // namespace

void Document::Impl::appendVouched(std::uint64_t a, std::uint64_t b, std::string& out) const
{
    if (a >= b) return;
    if (!checked) {
        out.append(reinterpret_cast<const char*>(data) + a, static_cast<std::size_t>(b - a));
        return;
    }
    waitIndexed();
    // Indexed: the blocks no longer change and are read without m.
    std::string block;
    for (std::size_t i = blocks.empty() ? 0 : blockOfByte(a); i < blocks.size() && blocks[i].begin < b; ++i) {
        const std::uint64_t begin = blocks[i].begin;
        const std::uint64_t end = blockEnd(i);
        block.assign(reinterpret_cast<const char*>(data) + begin, static_cast<std::size_t>(end - begin));
        if (doc_detail::hashBytes(reinterpret_cast<const unsigned char*>(block.data()), 0, block.size()) !=
            blocks[i].hash) {
            changed.store(true);
            withhold(block);
        }
        const std::uint64_t from = std::max(a, begin);
        const std::uint64_t to = std::min(b, end);
        if (from < to) out.append(block, static_cast<std::size_t>(from - begin), static_cast<std::size_t>(to - from));
    }
    // Nothing past the index is vouched for (an indexed source has nothing there).
    const std::uint64_t vouchedEnd = blocks.empty() ? a : std::max(a, indexedEnd);
    if (b > vouchedEnd) out.append(static_cast<std::size_t>(b - vouchedEnd), '?');
}

bool Document::Impl::intact() const
{
    if (changed.load()) return false;
    if (!map_ || !checked) return true;
    std::lock_guard lock(m);
    // A page that vanished after indexing was a truncation of the file.
    return !indexDone || map_->faults() == faultsWhenIndexed;
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

Result<DocumentPtr, IoError> Document::fromFile(const std::string& path) { return Impl::openFile(path); }

Result<DocumentPtr, IoError> Document::Impl::openFile(const std::string& path, std::uint64_t sizeAtOpen)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return unexpected(IoError{path, IoStep::Open, errno});
    FdCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return unexpected(IoError{path, IoStep::Size, errno});
    // Only regular files have a size to read; folders, FIFOs and devices are refused.
    if (!S_ISREG(st.st_mode)) return unexpected(IoError{path, IoStep::Read, S_ISDIR(st.st_mode) ? EISDIR : EINVAL});
    const std::uint64_t size = sizeAtOpen != UINT64_MAX ? sizeAtOpen : static_cast<std::uint64_t>(st.st_size);

    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->stamp = FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), size,
                            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    // A file whose size reads as 0 (a kernel's generated file, such as
    // /proc/cpuinfo) or that cannot be mapped is read to its end instead.
    const auto readToEnd = [&]() -> Result<DocumentPtr, IoError> {
        std::string bytes;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN) break;  // nothing more to read now
                return unexpected(IoError{path, IoStep::Read, errno});
            }
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        // Kept for what the file gains later (Document::appended), when the
        // stamp's size is what was read; a generated file is not followed.
        if (bytes.size() == size) {
            impl->fd = fd;
            closer.fd = -1;
        }
        adoptBytes(*impl, std::move(bytes), {});
        return DocumentPtr(new Document(std::move(impl)));
    };
    if (size == 0) return readToEnd();
    // The descriptor stays open with the document.
    if (const int error = doc_detail::adoptFile(*impl, fd, size, true); error != 0) {
        if (error == ENODEV) return readToEnd();  // a file system without mappings
        return unexpected(IoError{path, IoStep::Read, error});
    }
    closer.fd = -1;
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
