// SPDX-License-Identifier: MIT
// Reading a file window by window, so that memory does not grow with its size.
#pragma once

#include "core/file_io.h"
#include "core/result.h"

#include <functional>
#include <string>
#include <string_view>

namespace soramie {

// Bytes read at a time.
inline constexpr std::size_t kReadWindow = std::size_t{1} << 20;

// Reads the file at `path` (standard input when `path` is empty) until its end
// and hands each window of at most kReadWindow bytes to `sink`, in order. With
// ReadFrom::RegularFileOnly anything but a regular file fails with EINVAL at
// once, without blocking. Failures name the step: "open" or "read".
Status<IoError> readInWindows(const std::string& path, ReadFrom from,
                              const std::function<void(std::string_view)>& sink);

}  // namespace soramie
