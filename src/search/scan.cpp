// SPDX-License-Identifier: MIT
#include "search/scan.h"

#include "core/byte_finder.h"
#include "core/cp932.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

namespace soramie::search {
namespace fs = std::filesystem;
namespace {

const unsigned char* bytesOf(const char* data) { return reinterpret_cast<const unsigned char*>(data); }

// Position just past the last sync byte in data[0, end), or 0.
std::size_t afterLastSyncByte(const char* data, std::size_t end)
{
    const auto sync = cp932::lastSyncByte(bytesOf(data), 0, end);
    return sync ? *sync + 1 : 0;
}

}  // namespace

// The bytes of one file or memory block, delivered into a sliding window of
// at most one chunk plus what the scan keeps from the previous window.
class KeywordMatcher::Source {
public:
    Source(std::string_view memory, std::vector<char>& buffer, std::size_t chunk)
        : memory_(memory), buffer_(buffer), chunk_(std::max<std::size_t>(chunk, 1))
    {}
    // Reads the file open as `fd` up to `length` bytes (its size when opened),
    // or to its end if it has shrunk since.
    Source(int fd, std::uint64_t length, std::vector<char>& buffer, std::size_t chunk, const std::atomic<bool>* cancel)
        : fd_(fd), remaining_(length), buffer_(buffer), chunk_(std::max<std::size_t>(chunk, 1)), cancel_(cancel)
    {}

    // The window: data()[0, size()).
    const char* data() const { return buffer_.data(); }
    std::size_t size() const { return size_; }
    // True when the window reaches the end of the bytes.
    bool atEnd() const { return eof_; }
    int error() const { return error_; }

    // Fills the first window; false when nothing can be read (error or cancel).
    bool start() { return next(0); }

    // Drops data()[0, keepFrom) and appends up to one chunk of new bytes.
    // False on a read error or cancel.
    bool next(std::size_t keepFrom)
    {
        if (error_) return false;
        if (cancel_ && cancel_->load(std::memory_order_relaxed)) {
            error_ = ECANCELED;
            return false;
        }
        const std::size_t kept = size_ - keepFrom;
        if (buffer_.size() < chunk_ + kept) buffer_.resize(chunk_ + kept);
        std::memmove(buffer_.data(), buffer_.data() + keepFrom, kept);
        size_ = kept;
        const std::size_t want = kept + chunk_;
        while (size_ < want) {
            const std::size_t n = readSome(buffer_.data() + size_, want - size_);
            if (error_) return false;
            if (n == 0) {
                eof_ = true;
                break;
            }
            size_ += n;
        }
        return true;
    }

private:
    std::size_t readSome(char* dst, std::size_t n)
    {
        if (fd_ < 0) {
            n = std::min(n, memory_.size() - offset_);
            std::memcpy(dst, memory_.data() + offset_, n);
            offset_ += n;
            return n;
        }
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, remaining_));
        if (n == 0) return 0;
        for (;;) {
            const ssize_t got = ::read(fd_, dst, n);
            if (got >= 0) {
                remaining_ -= static_cast<std::uint64_t>(got);
                return static_cast<std::size_t>(got);
            }
            if (errno != EINTR) {
                error_ = errno;
                return 0;
            }
        }
    }

    std::string_view memory_;
    std::size_t offset_ = 0;
    int fd_ = -1;
    std::uint64_t remaining_ = 0;
    std::vector<char>& buffer_;
    std::size_t chunk_;
    const std::atomic<bool>* cancel_ = nullptr;
    std::size_t size_ = 0;
    bool eof_ = false;
    int error_ = 0;
};

KeywordMatcher::KeywordMatcher(std::u16string keyword) : keyword_(std::move(keyword))
{
    if (keyword_.empty()) return;
    std::optional<std::string> bytes = cp932::singleSpelling(keyword_);
    if (!bytes) return;
    finder_ = std::make_shared<const ByteFinder>(std::move(*bytes));
    bytesSearch_ = true;
}

bool KeywordMatcher::scanBytes(Source& src) const
{
    const std::size_t k = finder_->needle().size();
    // Bytes kept from one window to the next: a match may straddle the edge,
    // and the last byte may be a lead byte whose trail is still unread.
    const std::size_t overlap = std::max<std::size_t>(k - 1, 1);
    std::size_t boundary = 0;  // a character start in the window, none between it and the last target
    if (!src.start()) return false;
    for (;;) {
        const char* data = src.data();
        const std::size_t size = src.size();
        std::size_t from = 0;
        while (from + k <= size) {
            const char* hit = finder_->find(data + from, size - from);
            if (!hit) break;
            const std::size_t p = static_cast<std::size_t>(hit - data);
            boundary = cp932::charStartAtOrAfter(bytesOf(data), size, boundary, p);
            if (boundary == p) return true;
            from = p + 1;
        }
        if (src.atEnd()) return false;
        const std::size_t keepFrom = size > overlap ? size - overlap : 0;
        boundary = cp932::charStartAtOrAfter(bytesOf(data), size, boundary, keepFrom) - keepFrom;
        if (!src.next(keepFrom)) return false;
    }
}

bool KeywordMatcher::scanText(Source& src) const
{
    const std::size_t k = keyword_.size();
    std::u16string text;  // the last k - 1 decoded units of earlier windows, then this one
    if (!src.start()) return false;
    for (;;) {
        const char* data = src.data();
        const std::size_t size = src.size();
        // Decode up to a character start so that no character is split.
        std::size_t cut = size;
        if (!src.atEnd()) {
            cut = afterLastSyncByte(data, size);
            if (cut == 0) cut = cp932::charStartAtOrAfter(bytesOf(data), size, 0, size - 1);
        }
        cp932::decodeAppend(std::string_view(data, cut), text);
        if (text.find(keyword_) != std::u16string::npos) return true;
        if (src.atEnd()) return false;
        if (text.size() >= k) text.erase(0, text.size() - (k - 1));
        if (!src.next(cut)) return false;
    }
}

bool KeywordMatcher::contains(std::string_view bytes, std::size_t chunkBytes) const
{
    if (keyword_.empty()) return true;
    std::vector<char> buffer;
    Source src(bytes, buffer, chunkBytes);
    return bytesSearch_ ? scanBytes(src) : scanText(src);
}

Result<bool, IoError> KeywordMatcher::fileContains(const fs::path& file, std::vector<char>& buffer,
                                                   std::size_t chunkBytes, const std::atomic<bool>* cancel) const
{
    auto failure = [&](IoStep step, int err) { return unexpected(IoError{file.string(), step, err}); };
    // Non-blocking open so that a FIFO put in place of a file cannot hang the scan.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return failure(IoStep::Open, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return failure(IoStep::Read, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return failure(IoStep::Read, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    if (keyword_.empty()) {
        ::close(fd);
        return true;
    }
    chunkBytes = std::max(chunkBytes, kMinChunkBytes);
    const auto length = static_cast<std::uint64_t>(st.st_size);
    if (length > chunkBytes) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Source src(fd, length, buffer, chunkBytes, cancel);
    const bool found = bytesSearch_ ? scanBytes(src) : scanText(src);
    ::close(fd);
    if (src.error() != 0) return failure(IoStep::Read, src.error());
    return found;
}

ScanResult scanFiles(std::span<const fs::path> candidates, std::u16string_view keyword, const ScanOptions& options)
{
    enum class Outcome : std::uint8_t { Pending, Hit, Miss, Failed };
    const KeywordMatcher matcher{std::u16string(keyword)};
    const std::size_t total = candidates.size();
    std::vector<Outcome> outcomes(total, Outcome::Pending);
    std::vector<std::optional<IoError>> errors(total);
    std::atomic<std::size_t> next{0};
    std::mutex progressMutex;
    std::size_t done = 0;
    auto cancelled = [&] { return options.cancel && options.cancel->load(std::memory_order_relaxed); };

    // Each worker claims the next index and writes only that index's slots.
    auto work = [&] {
        std::vector<char> buffer;
        for (;;) {
            const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= total || cancelled()) return;
            std::optional<Result<bool, IoError>> read;
            try {
                read.emplace(matcher.fileContains(candidates[i], buffer, options.chunkBytes, options.cancel));
            } catch (const std::bad_alloc&) {
                // No memory for this file's window: the window is given back and
                // the file counts as unreadable (ENOMEM).
                buffer = {};
                read.emplace(unexpected(IoError{candidates[i].string(), IoStep::Read, ENOMEM}));
            }
            const Result<bool, IoError>& r = *read;
            if (r.ok()) {
                outcomes[i] = *r ? Outcome::Hit : Outcome::Miss;
            } else if (r.error().errnoValue == ECANCELED) {
                return;
            } else {
                outcomes[i] = Outcome::Failed;
                errors[i] = r.error();
            }
            if (options.progress) {
                std::lock_guard lock(progressMutex);
                options.progress(++done, total);
            }
        }
    };
    const std::size_t threads = std::min<std::size_t>(std::max(options.threads, 1u), total);
    {
        std::vector<std::jthread> pool;
        try {
            for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
        } catch (const std::system_error&) {
            // No memory or no room for another thread: the ones started do the work.
        }
        if (threads > 0) work();
    }

    ScanResult result;
    for (std::size_t i = 0; i < total; ++i) {
        switch (outcomes[i]) {
            case Outcome::Hit:
                result.hits.push_back(candidates[i]);
                break;
            case Outcome::Failed:
                result.unreadable.push_back(std::move(*errors[i]));
                break;
            case Outcome::Pending:
                result.cancelled = true;
                break;
            case Outcome::Miss:
                break;
        }
    }
    return result;
}

}  // namespace soramie::search
