// SPDX-License-Identifier: MIT
#include "core/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace soramie {
namespace {

// Owns a descriptor; closes it when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Closes now; returns close()'s result.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

FileStamp stampOf(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

constexpr int kMaxLinks = 40;  // the kernel's own limit for a path lookup

// The kernel's protected_symlinks and protected_regular rules: in a sticky
// world-writable folder (/tmp) only links and files of this user or of the
// folder's owner are followed or written.
bool mayUse(const struct stat& entry, const struct stat& folder)
{
    const bool shared = (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared || entry.st_uid == ::geteuid() || entry.st_uid == folder.st_uid;
}

// Puts the components of path on the stack `pending`, the first one on top.
void pushComponents(std::string_view path, std::vector<std::string>& pending)
{
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < path.size();) {
        std::size_t slash = path.find('/', at);
        if (slash == std::string_view::npos) slash = path.size();
        if (slash > at) parts.emplace_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    pending.insert(pending.end(), parts.rbegin(), parts.rend());
}

struct Failure {
    IoStep step;
    int err;
};

// The file a write replaces: the folder that holds it (walked to one component
// at a time, so no link is followed behind our back) and its name there.
struct Target {
    Fd folder;
    std::string name;
    bool exists = false;
    struct stat info {};
};

std::optional<Failure> resolveTarget(const std::string& path, Target& t)
{
    if (path.empty()) return Failure{IoStep::Resolve, ENOENT};
    std::vector<std::string> pending;
    pushComponents(path, pending);
    bool wantFolder = path.back() == '/';  // "a.txt/" names a folder
    Fd dir(::open(path.front() == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return Failure{IoStep::Resolve, errno};
    int links = 0;
    bool lastFromLink = false;  // the last component so far comes from a link
    while (!pending.empty()) {
        std::string name = std::move(pending.back());
        pending.pop_back();
        const bool last = pending.empty();
        struct stat st {};
        if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const int err = errno;
            if (err != ENOENT || !last || wantFolder) return Failure{IoStep::Resolve, err};
            if (lastFromLink) return Failure{IoStep::FollowLink, ENOENT};
            t = Target{std::move(dir), std::move(name), false, {}};
            return std::nullopt;
        }
        if (S_ISLNK(st.st_mode)) {
            struct stat folder {};
            if (::fstat(dir.get(), &folder) != 0) return Failure{IoStep::Resolve, errno};
            if (!mayUse(st, folder)) return Failure{IoStep::FollowLink, EACCES};
            if (++links > kMaxLinks) return Failure{IoStep::Resolve, ELOOP};
            std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
            const ssize_t n = ::readlinkat(dir.get(), name.c_str(), link.data(), link.size());
            if (n < 0) return Failure{IoStep::Resolve, errno};
            if (static_cast<std::size_t>(n) >= link.size()) return Failure{IoStep::Resolve, ENAMETOOLONG};
            link.resize(static_cast<std::size_t>(n));
            if (link.empty()) return Failure{IoStep::FollowLink, ENOENT};
            if (link.front() == '/') {
                dir = Fd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (dir.get() < 0) return Failure{IoStep::Resolve, errno};
            }
            if (last) {
                lastFromLink = true;
                wantFolder = wantFolder || link.back() == '/';
            }
            pushComponents(link, pending);
            if (pending.empty()) return Failure{IoStep::Resolve, EISDIR};  // a link to "/"
            continue;
        }
        if (last && !wantFolder) {
            if (S_ISREG(st.st_mode)) {
                struct stat folder {};
                if (::fstat(dir.get(), &folder) != 0) return Failure{IoStep::Resolve, errno};
                if (!mayUse(st, folder)) return Failure{IoStep::ForeignFile, EACCES};
            }
            t = Target{std::move(dir), std::move(name), true, st};
            return std::nullopt;
        }
        if (!S_ISDIR(st.st_mode)) return Failure{IoStep::Resolve, ENOTDIR};
        if (last) return Failure{IoStep::Resolve, EISDIR};
        Fd next(::openat(dir.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0) return Failure{IoStep::Resolve, errno};
        dir = std::move(next);
    }
    return Failure{IoStep::Resolve, EISDIR};  // "/" itself
}

// Refuses what must not be replaced: folders, other kinds of files, files the
// process may not write or that nobody may write.
int checkReplaceable(const Target& t)
{
    if (!t.exists) return 0;
    if (S_ISDIR(t.info.st_mode)) return EISDIR;
    if (!S_ISREG(t.info.st_mode)) return EINVAL;
    if ((t.info.st_mode & 0222) == 0) return EACCES;
    if (::faccessat(t.folder.get(), t.name.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    return 0;
}

// Creates a new hidden file, readable by this user only, beside the target.
// Returns the descriptor, or -errno.
int createTemp(const Target& t, std::string& tempName)
{
    static std::atomic<std::uint32_t> counter{0};
    std::random_device random;
    // A name near the file system's limit gets a short stem instead.
    const std::string stem = "." + (t.name.size() > 200 ? std::string("soramie") : t.name) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::uint32_t tag = random() ^ (counter.fetch_add(1) * 2654435761u);
        tempName = stem + std::to_string(tag) + ".tmp";
        const int fd =
            ::openat(t.folder.get(), tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -errno;
    }
    return -EEXIST;
}

// The process's umask, read without changing it (umask() would, for every thread).
mode_t currentUmask()
{
    mode_t mask = 022;
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned value = 0;
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(f);
    }
    return mask;
}

std::size_t totalSize(std::span<const std::string_view> parts)
{
    std::size_t n = 0;
    for (const std::string_view p : parts) n += p.size();
    return n;
}

// The most one write() call takes, so progress moves while one large part is written.
constexpr std::size_t kWriteStep = 16u << 20;

bool writeAll(int fd, std::span<const std::string_view> parts, bool atStart, const WriteProgress& progress)
{
    const std::size_t total = totalSize(parts);
    off_t at = 0;
    for (std::string_view bytes : parts) {
        while (!bytes.empty()) {
            const std::size_t want = std::min(bytes.size(), kWriteStep);
            const ssize_t n = atStart ? ::pwrite(fd, bytes.data(), want, at) : ::write(fd, bytes.data(), want);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) {
                errno = EIO;
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
            at += n;
            if (progress) progress(ByteOffset(static_cast<std::uint64_t>(at)), ByteOffset(total));
        }
    }
    return true;
}

// Makes the rename itself durable; the data are in place either way.
void flushFolder(const Target& t)
{
    const int fd = ::openat(t.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A rename beside the target is impossible for these reasons, while the file
// itself may still be writable.
bool folderRefused(int err) { return err == EACCES || err == EPERM || err == EBUSY; }

using Injected = std::function<int(IoStep)>;

// Rewrites the existing target in place: reserve the space, write from the
// start, cut to the new length, flush.
Result<WriteOutcome, IoError> rewriteInPlace(const std::string& path, const Target& t,
                                             std::span<const std::string_view> bytes, const Injected& injected,
                                             const WriteProgress& progress)
{
    const std::size_t size = totalSize(bytes);
    auto failure = [&](IoStep step, int err) { return unexpected(IoError{path, step, err}); };
    int err = injected(IoStep::Open);
    Fd fd(err != 0
              ? -1
              : ::openat(t.folder.get(), t.name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return failure(IoStep::Open, err != 0 ? err : errno);
    struct stat now {};
    if (::fstat(fd.get(), &now) != 0) return failure(IoStep::Open, errno);
    if (!S_ISREG(now.st_mode)) return failure(IoStep::Open, EINVAL);
    // A full disk fails here, before the file changes.
    if (size > static_cast<std::size_t>(now.st_size)) {
        if (::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP) {
            return failure(IoStep::Write, errno);
        }
    }
    err = injected(IoStep::InPlace);
    if (err == 0) {
        errno = 0;
        const bool done = writeAll(fd.get(), bytes, true, progress) &&
                          ::ftruncate(fd.get(), static_cast<off_t>(size)) == 0 && ::fsync(fd.get()) == 0 &&
                          ::fstat(fd.get(), &now) == 0 && fd.close() == 0;
        if (!done) err = errno != 0 ? errno : EIO;
    }
    if (err != 0) return failure(IoStep::InPlace, err);
    return WriteOutcome{WriteMode::InPlace, stampOf(now)};
}

// Rewrites the existing target in place from the private copy `copy` of the
// new bytes (size bytes), so the bytes written never depend on the file being
// rewritten. The outcome reports `mode`.
Result<WriteOutcome, IoError> rewriteFromCopy(const std::string& path, const Target& t, int copy, std::size_t size,
                                              WriteMode mode, const Injected& injected, const WriteProgress& progress)
{
    void* mapped = nullptr;
    if (size > 0) {
        mapped = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, copy, 0);
        if (mapped == MAP_FAILED) return unexpected(IoError{path, IoStep::Write, errno});
    }
    const std::string_view bytes(static_cast<const char*>(mapped), size);
    auto outcome = rewriteInPlace(path, t, std::span<const std::string_view>(&bytes, 1), injected, progress);
    if (mapped != nullptr) ::munmap(mapped, size);
    if (outcome) outcome->mode = mode;
    return outcome;
}

// The new contents: parts held in memory, or a producer that makes them once.
struct Contents {
    std::span<const std::string_view> parts;
    const ByteProducer* produce = nullptr;
};

// What writing the contents came to.
struct Written {
    std::uint64_t bytes = 0;
    std::optional<IoError> produceFailed;  // the producer's own failure
};

// Has the producer hand its contents to `write` (false with errno set when it
// failed) and reports progress after each part. Returns false with errno set
// when a write failed or the producer failed (then in w.produceFailed).
bool produceContents(const ByteProducer& produce, const std::function<bool(std::string_view)>& write,
                     const WriteProgress& progress, Written& w)
{
    int err = 0;
    const ByteSink sink = [&](std::string_view part) {
        if (err != 0) return false;
        errno = 0;
        if (!write(part)) {
            err = errno != 0 ? errno : EIO;
            return false;
        }
        w.bytes += part.size();
        if (progress) progress(ByteOffset(w.bytes), ByteOffset(w.bytes));
        return true;
    };
    auto produced = produce(sink);
    if (err == 0 && !produced) {
        w.produceFailed = produced.error();
        err = w.produceFailed->errnoValue != 0 ? w.produceFailed->errnoValue : EIO;
    }
    errno = err;
    return err == 0;
}

// Rewrites the existing target in place when no new file can take its place.
// Contents in memory are written straight over it; produced contents go to a
// private temporary file first, so a producer that fails leaves the target as
// it was.
Result<WriteOutcome, IoError> rewriteInPlaceFrom(const std::string& path, const Target& t, const Contents& c,
                                                 const Injected& injected, const WriteProgress& progress)
{
    if (!c.produce) return rewriteInPlace(path, t, c.parts, injected, progress);
    SpillFile spill(path);
    std::optional<IoError> spillFailed;
    Written w;
    int err = injected(IoStep::Write);
    if (err == 0 && !produceContents(
                        *c.produce,
                        [&](std::string_view part) {
                            spillFailed = spill.append(part);
                            if (spillFailed) errno = spillFailed->errnoValue;
                            return !spillFailed;
                        },
                        progress, w)) {
        if (w.produceFailed) return unexpected(std::move(*w.produceFailed));
        if (spillFailed) return unexpected(IoError{path, spillFailed->step, spillFailed->errnoValue});
        err = errno != 0 ? errno : EIO;
    }
    if (err != 0) return unexpected(IoError{path, IoStep::Write, err});
    return rewriteFromCopy(path, t, spill.fd(), static_cast<std::size_t>(w.bytes), WriteMode::InPlace, injected, {});
}

}  // namespace

Result<std::string, IoError> readWholeFile(const std::string& path, ReadFrom from, std::size_t maxBytes)
{
    // Opening a FIFO for reading waits for a writer, unless non-blocking.
    const int nonBlocking = from == ReadFrom::RegularFileOnly ? O_NONBLOCK : 0;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | nonBlocking));
    if (fd.get() < 0) return unexpected(IoError{path, IoStep::Open, errno});
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return unexpected(IoError{path, IoStep::Size, errno});
    if (S_ISDIR(info.st_mode)) return unexpected(IoError{path, IoStep::Read, EISDIR});
    if (from == ReadFrom::RegularFileOnly && !S_ISREG(info.st_mode)) {
        return unexpected(IoError{path, IoStep::Read, EINVAL});
    }
    std::string bytes;
    // The file may grow while it is read (a log being written): read to its end.
    std::size_t used = 0;
    const std::size_t guess = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 65536;
    bytes.resize(std::min(guess, maxBytes));
    while (used < maxBytes) {
        if (used == bytes.size()) bytes.resize(std::min(bytes.size() * 2, maxBytes));
        const ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            return unexpected(IoError{path, IoStep::Read, errno});
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

std::optional<FileStamp> currentStamp(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return stampOf(st);
}

Result<WriteOutcome, IoError> writeFileSafely(const std::string& path, std::string_view bytes, const WriteFault& fault,
                                              const WriteProgress& progress)
{
    return writeFileSafely(path, std::span<const std::string_view>(&bytes, 1), fault, progress);
}

namespace {

Result<WriteOutcome, IoError> writeContentsSafely(const std::string& path, const Contents& contents,
                                                  const WriteFault& fault, const WriteProgress& progress)
{
    const Injected injected = [&](IoStep step) { return fault ? fault(step) : 0; };
    auto failure = [&](IoStep step, int err) { return unexpected(IoError{path, step, err}); };

    Target t;
    if (const int err = injected(IoStep::Resolve)) return failure(IoStep::Resolve, err);
    if (const auto f = resolveTarget(path, t)) return failure(f->step, f->err);
    if (const int err = checkReplaceable(t)) return failure(IoStep::Resolve, err);

    std::string tempName;
    int err = injected(IoStep::CreateTemp);
    const int raw = err == 0 ? createTemp(t, tempName) : -err;
    if (raw < 0) {
        if (t.exists && folderRefused(-raw)) return rewriteInPlaceFrom(path, t, contents, injected, progress);
        return failure(IoStep::CreateTemp, -raw);
    }
    Fd fd(raw);
    // Produced contents cannot be made again: an in-place rewrite reads them
    // back from the temporary file through this descriptor.
    Fd copy(contents.produce ? ::dup(fd.get()) : -1);
    if (contents.produce && copy.get() < 0) {
        const int dupErr = errno;
        fd.reset();
        ::unlinkat(t.folder.get(), tempName.c_str(), 0);
        return failure(IoStep::CreateTemp, dupErr);
    }

    std::optional<IoStep> failed;
    bool ownerRefused = false;  // a new file cannot have the old one's owner or group
    struct stat written {};
    auto run = [&](IoStep step, auto&& action) {
        if (failed || ownerRefused) return;
        err = injected(step);
        errno = 0;
        if (err == 0 && !action()) err = errno != 0 ? errno : EIO;
        if (err != 0) failed = step;
    };
    Written w;
    run(IoStep::Write, [&] {
        if (!contents.produce) {
            w.bytes = totalSize(contents.parts);
            return writeAll(fd.get(), contents.parts, false, progress);
        }
        try {
            return produceContents(
                *contents.produce,
                [&](std::string_view part) { return writeAll(fd.get(), std::span(&part, 1), false, {}); }, progress, w);
        } catch (...) {
            // A producer that throws (out of memory) leaves no temporary file.
            fd.reset();
            ::unlinkat(t.folder.get(), tempName.c_str(), 0);
            throw;
        }
    });
    if (w.produceFailed) {
        fd.reset();
        ::unlinkat(t.folder.get(), tempName.c_str(), 0);
        return unexpected(std::move(*w.produceFailed));
    }
    const auto size = static_cast<std::size_t>(w.bytes);
    if (t.exists && t.info.st_nlink > 1) {
        // Several names share the file: keep its identity, write through the copy.
        run(IoStep::Flush, [&] { return ::fsync(fd.get()) == 0; });
        auto outcome = failed ? failure(*failed, err)
                              : rewriteFromCopy(path, t, fd.get(), size, WriteMode::LinksKept, injected, progress);
        fd.reset();
        ::unlinkat(t.folder.get(), tempName.c_str(), 0);
        return outcome;
    }
    run(IoStep::Permissions, [&] {
        if (!t.exists) return ::fchmod(fd.get(), 0666 & ~currentUmask()) == 0;
        // Owner and group first: a change of owner clears the set-user-ID bit.
        if ((t.info.st_uid != ::geteuid() || t.info.st_gid != ::getegid()) &&
            ::fchown(fd.get(), t.info.st_uid, t.info.st_gid) != 0) {
            ownerRefused = true;
            return true;
        }
        return ::fchmod(fd.get(), t.info.st_mode & 07777) == 0;
    });
    run(IoStep::Flush, [&] { return ::fsync(fd.get()) == 0 && ::fstat(fd.get(), &written) == 0; });
    run(IoStep::Close, [&] { return fd.close() == 0; });
    run(IoStep::Replace,
        [&] { return ::renameat(t.folder.get(), tempName.c_str(), t.folder.get(), t.name.c_str()) == 0; });
    if (failed || ownerRefused) {
        fd.reset();
        ::unlinkat(t.folder.get(), tempName.c_str(), 0);
        if (t.exists && (ownerRefused || (failed == IoStep::Replace && folderRefused(err)))) {
            if (contents.produce) return rewriteFromCopy(path, t, copy.get(), size, WriteMode::InPlace, injected, {});
            return rewriteInPlace(path, t, contents.parts, injected, progress);
        }
        return failure(*failed, err);
    }
    flushFolder(t);
    return WriteOutcome{WriteMode::Replaced, stampOf(written)};
}

}  // namespace

Result<WriteOutcome, IoError> writeFileSafely(const std::string& path, std::span<const std::string_view> bytes,
                                              const WriteFault& fault, const WriteProgress& progress)
{
    return writeContentsSafely(path, Contents{bytes, nullptr}, fault, progress);
}

Result<WriteOutcome, IoError> writeFileSafely(const std::string& path, const ByteProducer& produce,
                                              const WriteFault& fault, const WriteProgress& progress)
{
    return writeContentsSafely(path, Contents{{}, &produce}, fault, progress);
}

SpillFile::~SpillFile()
{
    if (fd_ >= 0) ::close(fd_);
}

std::optional<IoError> SpillFile::append(std::string_view bytes)
{
    if (fd_ < 0) {
        if (const int error = create(); error != 0) return IoError{dir_, IoStep::CreateTemp, error};
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return IoError{dir_, IoStep::Write, errno};
        bytes.remove_prefix(static_cast<std::size_t>(n));
        size_ += static_cast<std::uint64_t>(n);
    }
    return std::nullopt;
}

int SpillFile::create()
{
    std::vector<std::string> dirs;
    if (const auto slash = beside_.rfind('/'); slash != std::string::npos) {
        dirs.push_back(slash == 0 ? "/" : beside_.substr(0, slash));
    } else if (!beside_.empty()) {
        dirs.emplace_back(".");
    }
    const char* tmp = std::getenv("TMPDIR");
    dirs.emplace_back(tmp && *tmp ? tmp : "/tmp");
    int error = ENOENT;
    for (const std::string& dir : dirs) {
        dir_ = dir;
#if defined(O_TMPFILE)
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ >= 0) return 0;
#endif
        std::string name = dir + "/.soramie-XXXXXX";
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ >= 0) {
            ::unlink(name.c_str());
            return 0;
        }
        error = errno;
    }
    return error;
}

Status<IoError> removeFile(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return unexpected(IoError{path, IoStep::Size, errno});
    if (S_ISDIR(info.st_mode)) return unexpected(IoError{path, IoStep::Remove, EISDIR});
    if (S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0) return unexpected(IoError{path, IoStep::Remove, EACCES});
    if (::unlink(path.c_str()) != 0) return unexpected(IoError{path, IoStep::Remove, errno});
    return Ok{};
}

}  // namespace soramie
