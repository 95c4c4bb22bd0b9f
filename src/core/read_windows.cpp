// SPDX-License-Identifier: MIT
#include "core/read_windows.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace soramie {

Result<WindowSource, IoError> WindowSource::open(const std::string& path, ReadFrom from)
{
    const std::string name = path.empty() ? std::string("standard input") : path;
    if (path.empty()) return WindowSource(name, 0);
    // O_NONBLOCK: opening a FIFO must not wait for a writer. O_NOCTTY: a
    // terminal named here never becomes the process's controlling terminal.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return unexpected(IoError{name, IoStep::Open, errno});
    struct stat st {};
    int refused = ::fstat(fd, &st) != 0 ? errno : 0;
    if (refused == 0 && S_ISDIR(st.st_mode)) refused = EISDIR;
    if (refused == 0 && from == ReadFrom::RegularFileOnly && !S_ISREG(st.st_mode)) refused = EINVAL;
    if (refused == 0 && !S_ISREG(st.st_mode)) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (refused != 0) {
        ::close(fd);
        return unexpected(IoError{name, IoStep::Read, refused});
    }
    return WindowSource(name, fd);
}

WindowSource::WindowSource(WindowSource&& other) noexcept
    : name_(std::move(other.name_)), fd_(std::exchange(other.fd_, -1))
{}

WindowSource::~WindowSource()
{
    if (fd_ > 0) ::close(fd_);
}

Status<IoError> WindowSource::read(const std::function<bool(std::string_view)>& sink)
{
    std::vector<char> buffer(kReadWindow);
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return unexpected(IoError{name_, IoStep::Read, errno});
        if (n == 0 || !sink(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return Ok{};
    }
}

Status<IoError> readInWindows(const std::string& path, ReadFrom from, const std::function<void(std::string_view)>& sink)
{
    auto source = WindowSource::open(path, from);
    if (!source) return unexpected(source.error());
    return source->read([&](std::string_view window) {
        sink(window);
        return true;
    });
}

}  // namespace soramie
