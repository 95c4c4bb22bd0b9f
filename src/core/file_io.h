// SPDX-License-Identifier: MIT
// Whole-file reads and crash-safe whole-file writes. Window-free; failures are
// values (IoError: the path, the step that failed, errno). POSIX.
#pragma once

#include "core/result.h"

#include <functional>
#include <string>
#include <string_view>

namespace soramie {

// What readWholeFile accepts besides a regular file.
enum class ReadFrom {
    AnyFile,          // also pipes and devices (read until their end; may block)
    RegularFileOnly,  // anything else fails with EINVAL at once, without blocking
};

// Every byte of the file at path, read until its end. A folder fails with EISDIR.
Result<std::string, IoError> readWholeFile(const std::string& path, ReadFrom from = ReadFrom::AnyFile);

// The steps of writeFileSafely, in the order they run.
enum class WriteStep {
    Resolve,      // follow symbolic links, check the target is a writable regular file
    CreateTemp,   // create the temporary file beside the target
    Write,        // write the bytes to it
    Permissions,  // give it the target's owner and permission bits
    Flush,        // flush it to the disk
    Close,        // close it
    Replace,      // rename it over the target
};

// Test seam: called before each step; a non-zero errno value makes that step
// fail with it.
using WriteFault = std::function<int(WriteStep)>;

// Replaces the contents of the file at path with exactly `bytes`, so that at
// every moment the file holds either its old contents or the new ones:
// - A symbolic link is followed (also through several links and relative
//   targets; a dangling link creates the file it points to); the link stays.
// - The target must be a regular file or not exist. A folder fails with
//   EISDIR, any other kind of file with EINVAL. A file the process may not
//   write, and a file without any write permission bit (read-only for everyone,
//   also for the superuser), fail with EACCES before anything is created.
// - The bytes go to a new hidden file in the target's folder, are flushed to
//   the disk and renamed over the target. The new file keeps the old file's
//   permission bits and (where the process may set it) owner and group; a new
//   file gets the usual mode 0666 minus the umask.
// - On any failure the target is untouched, the temporary file is removed and
//   the error names the step ("resolve", "create a temporary file", "write",
//   "set permissions", "flush", "close", "replace") with errno.
// Hard links to the old file keep the old contents (the file is replaced, not
// rewritten in place).
Status<IoError> writeFileSafely(const std::string& path, std::string_view bytes, const WriteFault& fault = {});

}  // namespace soramie
