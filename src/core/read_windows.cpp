// SPDX-License-Identifier: MIT
#include "core/read_windows.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace soramie {

Status<IoError> readInWindows(const std::string& path, ReadFrom from, const std::function<void(std::string_view)>& sink)
{
    const std::string name = path.empty() ? std::string("standard input") : path;
    int fd = 0;
    if (!path.empty()) {
        // O_NONBLOCK: opening a FIFO must not wait for a writer. O_NOCTTY: a
        // terminal named here never becomes the process's controlling terminal.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
    }
    std::vector<char> buffer(kReadWindow);
    int error = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0) break;
        sink(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
    if (fd != 0) ::close(fd);
    if (error != 0) return unexpected(IoError{name, IoStep::Read, error});
    return Ok{};
}

}  // namespace soramie
