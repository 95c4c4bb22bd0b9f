// SPDX-License-Identifier: MIT
#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <random>

namespace soramie {
namespace {

// Closes the descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now; returns close()'s result.
    int close()
    {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr int kMaxLinks = 40;  // the kernel's own limit for a path lookup

// The file a write to `path` must replace: symbolic links followed. `info` is
// filled when that file exists; `exists` tells whether it does.
int resolveTarget(std::string path, std::string& target, struct stat& info, bool& exists)
{
    for (int hops = 0;; ++hops) {
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT) return errno;
            // A missing file (also at the end of a dangling link) is created,
            // provided its folder exists.
            struct stat folder {};
            if (::stat(folderOf(path).c_str(), &folder) != 0) return errno;
            if (!S_ISDIR(folder.st_mode)) return ENOTDIR;
            exists = false;
            target = std::move(path);
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) break;
        if (hops == kMaxLinks) return ELOOP;
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) return errno;
        if (static_cast<std::size_t>(n) >= link.size()) return ENAMETOOLONG;  // changed meanwhile
        link.resize(static_cast<std::size_t>(n));
        path = link.starts_with('/') ? link : folderOf(path) + "/" + link;
    }
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    if ((info.st_mode & 0222) == 0) return EACCES;
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    exists = true;
    target = std::move(path);
    return 0;
}

// Creates a new hidden file beside `target` (mode 0666 minus the umask).
int createTemp(const std::string& target, std::string& tempPath)
{
    static std::atomic<std::uint32_t> counter{0};
    std::random_device random;
    // A name near the file system's limit gets a short stem instead.
    const std::string name = nameOf(target);
    const std::string stem = folderOf(target) + "/." + (name.size() > 200 ? std::string("soramie") : name) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::uint32_t tag = random() ^ (counter.fetch_add(1) * 2654435761u);
        tempPath = stem + std::to_string(tag) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -errno;
    }
    return -EEXIST;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes the rename itself durable; the data are in place either way.
void flushFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

Result<std::string, IoError> readWholeFile(const std::string& path, ReadFrom from)
{
    // Opening a FIFO for reading waits for a writer, unless non-blocking.
    const int nonBlocking = from == ReadFrom::RegularFileOnly ? O_NONBLOCK : 0;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | nonBlocking));
    if (fd.get() < 0) return unexpected(IoError{path, "open", errno});
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return unexpected(IoError{path, "size", errno});
    if (S_ISDIR(info.st_mode)) return unexpected(IoError{path, "read", EISDIR});
    if (from == ReadFrom::RegularFileOnly && !S_ISREG(info.st_mode)) {
        return unexpected(IoError{path, "read", EINVAL});
    }
    std::string bytes;
    // The file may grow while it is read (a log being written): read to its end.
    std::size_t used = 0;
    bytes.resize(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 65536);
    for (;;) {
        if (used == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            return unexpected(IoError{path, "read", errno});
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

Status<IoError> writeFileSafely(const std::string& path, std::string_view bytes, const WriteFault& fault)
{
    auto injected = [&](WriteStep step) { return fault ? fault(step) : 0; };
    auto failure = [&](const char* what, int err) { return unexpected(IoError{path, what, err}); };

    std::string target;
    struct stat old {};
    bool exists = false;
    int err = injected(WriteStep::Resolve);
    if (err == 0) err = resolveTarget(path, target, old, exists);
    if (err != 0) return failure("resolve", err);

    std::string tempPath;
    err = injected(WriteStep::CreateTemp);
    const int raw = err == 0 ? createTemp(target, tempPath) : -err;
    if (raw < 0) return failure("create a temporary file", -raw);
    Fd fd(raw);

    const char* step = nullptr;
    auto run = [&](WriteStep s, const char* what, auto&& action) {
        if (step) return;
        err = injected(s);
        errno = 0;
        if (err == 0 && !action()) err = errno != 0 ? errno : EIO;
        if (err != 0) step = what;
    };
    run(WriteStep::Write, "write", [&] { return writeAll(fd.get(), bytes); });
    run(WriteStep::Permissions, "set permissions", [&] {
        if (!exists) return true;
        // Owner and group where the process may set them (a change of owner is
        // the superuser's); the bits after that, since a change of owner clears
        // the set-user-ID bit.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
                (void)::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid);
            }
        }
        return ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    });
    run(WriteStep::Flush, "flush", [&] { return ::fsync(fd.get()) == 0; });
    run(WriteStep::Close, "close", [&] { return fd.close() == 0; });
    run(WriteStep::Replace, "replace", [&] { return ::rename(tempPath.c_str(), target.c_str()) == 0; });
    if (step) {
        ::unlink(tempPath.c_str());
        return failure(step, err);
    }
    flushFolder(folderOf(target));
    return Ok{};
}

}  // namespace soramie
