// SPDX-License-Identifier: MIT
// Internal to the document: a file's bytes mapped read-only in place. A read of
// a page that the file no longer holds (it was truncated after the mapping was
// made) does not end the process with SIGBUS: a process-wide handler, installed
// with the first mapping and chaining to the handler it replaced for every
// other fault, puts a page of zeros there and counts the fault on the mapping.
// Not for other layers.
#pragma once

#include <cstdint>
#include <memory>

namespace soramie::doc_detail {

class MappedFile {
public:
    // Maps bytes [0, size) of the open file fd (size > 0). Fails with an errno
    // value (ENOMEM also when too many mappings are alive at once).
    static std::unique_ptr<MappedFile> map(int fd, std::uint64_t size, int& error);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const unsigned char* data() const { return data_; }
    std::uint64_t size() const { return size_; }
    // Reads of vanished pages so far (each now reads as zeros). Any thread.
    std::uint32_t faults() const;
    // Asks the kernel to bring bytes [from, to) into memory now (one call
    // instead of a fault per page run); harmless past the file's end.
    void prefetch(std::uint64_t from, std::uint64_t to) const;

private:
    MappedFile() = default;
    unsigned char* data_ = nullptr;
    std::uint64_t size_ = 0;
    std::size_t length_ = 0;  // mapped length, whole pages
    int slot_ = -1;
};

}  // namespace soramie::doc_detail
