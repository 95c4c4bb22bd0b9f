// SPDX-License-Identifier: MIT
// Reading a file window by window, so that memory does not grow with its size.
#pragma once

#include "core/file_io.h"
#include "core/result.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace soramie {

// Bytes read at a time.
inline constexpr std::size_t kReadWindow = std::size_t{1} << 20;

// A file opened and checked as readInWindows does, before its first byte is
// read: a caller can tell a file that cannot be read from later failures.
// Owns its descriptor (standard input is never closed).
class WindowSource {
public:
    static Result<WindowSource, IoError> open(const std::string& path, ReadFrom from);
    WindowSource(WindowSource&& other) noexcept;
    WindowSource& operator=(WindowSource&&) = delete;
    ~WindowSource();
    // Reads until the end, handing each window to `sink`, as readInWindows
    // does, or until `sink` returns false.
    Status<IoError> read(const std::function<bool(std::string_view)>& sink);

private:
    WindowSource(std::string name, int fd) : name_(std::move(name)), fd_(fd) {}
    std::string name_;
    int fd_;
};

// Reads the file at `path` (standard input when `path` is empty) until its end
// and hands each window of at most kReadWindow bytes to `sink`, in order. With
// ReadFrom::RegularFileOnly anything but a regular file fails with EINVAL at
// once, without blocking. Failures name the step: "open" or "read".
Status<IoError> readInWindows(const std::string& path, ReadFrom from,
                              const std::function<void(std::string_view)>& sink);

}  // namespace soramie
