// SPDX-License-Identifier: MIT
// Whole-file reads and crash-safe whole-file writes. Window-free; failures are
// values (IoError: the path, the step that failed, errno). POSIX.
#pragma once

#include "core/result.h"
#include "core/types.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace soramie {

// What readWholeFile accepts besides a regular file.
enum class ReadFrom {
    AnyFile,          // also pipes and devices (read until their end; may block)
    RegularFileOnly,  // anything else fails with EINVAL at once, without blocking
};

// Every byte of the file at path, read until its end, or its first maxBytes
// bytes. A folder fails with EISDIR.
Result<std::string, IoError> readWholeFile(const std::string& path, ReadFrom from = ReadFrom::AnyFile,
                                           std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// Which file a path named and how it looked: enough to notice that the file
// was replaced, grew or was rewritten since.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file that path names now (links followed); nullopt when it
// cannot be examined.
std::optional<FileStamp> currentStamp(const std::string& path);

// How writeFileSafely put the bytes in place.
enum class WriteMode {
    Replaced,   // a new file renamed over the old one: all or nothing
    InPlace,    // the old file rewritten (its folder refused a new file, or its
                // owner or group could not be kept otherwise): not atomic
    LinksKept,  // the old file had several names (hard links): rewritten in
                // place from a flushed private copy, so every name holds the
                // new bytes; not atomic
};

struct WriteOutcome {
    WriteMode mode = WriteMode::Replaced;
    FileStamp stamp;  // the written file as it stands after the write
};

// Test seam: called before each step of writeFileSafely (Resolve, CreateTemp,
// Write, Permissions, Flush, Close, Replace; Open and InPlace when it rewrites
// in place); a non-zero errno value makes that step fail with it.
using WriteFault = std::function<int(IoStep)>;

// Bytes of the new contents written so far, of all of them: called on the
// writing thread after each stretch of at most 16 MB (done reaches total
// before the flush).
using WriteProgress = std::function<void(ByteOffset done, ByteOffset total)>;

// Replaces the contents of the file at path with exactly `bytes`, so that at
// every moment the file holds either its old contents or the new ones:
// - Symbolic links (in every component of the path) are followed only where
//   the kernel's protected_symlinks rule lets this user follow them: the link
//   belongs to this user, or its folder is not sticky and world-writable, or
//   the link and its folder have the same owner. Any other link fails at
//   IoStep::FollowLink with EACCES, a dangling link at FollowLink with ENOENT
//   (the file a link points to is never created). The link stays.
// - An existing file in a sticky world-writable folder (/tmp) that belongs
//   neither to this user nor to the folder's owner is refused at
//   IoStep::ForeignFile with EACCES, as the kernel's protected_regular rule
//   refuses opening it: another user may have planted it to read what is
//   written (also for the superuser).
// - The target must be a regular file or not exist. A folder fails with
//   EISDIR, any other kind of file with EINVAL. A file the process may not
//   write, and a file without any write permission bit (read-only for everyone,
//   also for the superuser), fail with EACCES before anything is created.
// - The bytes go to a new hidden file created 0600 in the target's folder, are
//   given the old file's owner, group and permission bits (a new file: 0666
//   minus the umask), flushed to the disk and renamed over the target.
// - A file with several names (hard links) keeps its identity: the bytes go
//   to the private file first and are flushed, then copied from it over the
//   old contents in place (WriteMode::LinksKept), so every name sees them; the
//   bytes written never depend on the file being rewritten.
// - Where that is impossible for an existing file (its folder refuses a new
//   file or the rename, or its owner or group cannot be given to a new file),
//   the file is rewritten in place and flushed instead (WriteMode::InPlace):
//   owner, group, mode and hard links stay. Space is reserved first, so a full
//   disk fails before the file changes.
// On failure the error names the step. Only IoStep::InPlace may leave the file
// changed (partly old, partly new bytes); after any other failure the target
// is untouched and no temporary file is left.
Result<WriteOutcome, IoError> writeFileSafely(const std::string& path, std::string_view bytes,
                                              const WriteFault& fault = {}, const WriteProgress& progress = {});
// The same for bytes given as consecutive parts (a document's pieces).
Result<WriteOutcome, IoError> writeFileSafely(const std::string& path, std::span<const std::string_view> bytes,
                                              const WriteFault& fault = {}, const WriteProgress& progress = {});

// Takes the next bytes of contents being written. Returns false once the
// write has failed: the producer should stop then (what it hands over later
// is dropped).
using ByteSink = std::function<bool(std::string_view)>;
// Hands the new contents to the sink in order, in parts of any size, and
// returns Ok{} when it has handed over all of them. A failure it returns
// (its own: say, its source could not be read) abandons the write. It is
// called at most once, on the writing thread.
using ByteProducer = std::function<Status<IoError>(const ByteSink&)>;

// writeFileSafely for contents made while they are written, so that they are
// never held in memory as a whole: the same guarantees, steps and fault seam.
// Progress is called after each part handed over, with the bytes written
// so far as both done and total. When the
// producer fails, the write is abandoned as after a failed step (the target
// untouched, no temporary file left) and the producer's failure is returned
// as it is. Where the file must be rewritten in place (see above), the
// contents first go to a private temporary file (SpillFile), so a producer
// that fails midway never leaves the target half rewritten.
Result<WriteOutcome, IoError> writeFileSafely(const std::string& path, const ByteProducer& produce,
                                              const WriteFault& fault = {}, const WriteProgress& progress = {});

// A private temporary file for bytes too many for memory: mode 0600 and
// without a name from the start (O_TMPFILE) or from just after its creation,
// so it goes away with its last descriptor or mapping. It is made at the
// first append: in the folder of `besidePath` (the same file system as that
// file) when that folder allows it, else in $TMPDIR, else in /tmp.
class SpillFile {
public:
    explicit SpillFile(std::string besidePath) : beside_(std::move(besidePath)) {}
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;
    ~SpillFile();
    bool open() const { return fd_ >= 0; }
    std::uint64_t size() const { return size_; }
    // Appends bytes. Fails at IoStep::CreateTemp (the last folder tried) or
    // IoStep::Write.
    std::optional<IoError> append(std::string_view bytes);
    // The descriptor (-1 before the first append); still owned by this file.
    int fd() const { return fd_; }
    // Hands the descriptor on.
    int release() { return std::exchange(fd_, -1); }

private:
    int create();

    std::string beside_;
    std::string dir_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Removes the file at path; a symbolic link is removed, not what it points to.
// Refuses, removing nothing, a folder (EISDIR) and a regular file without any
// write permission bit, a read-only file (EACCES). Fails with step Size when
// the path cannot be examined, Remove otherwise.
Status<IoError> removeFile(const std::string& path);

}  // namespace soramie
