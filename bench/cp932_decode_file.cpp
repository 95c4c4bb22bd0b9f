// SPDX-License-Identifier: MIT
// Decodes a CP932 file and writes the text to stdout as UTF-16LE: the same work
// as `iconv -f CP932 -t UTF-16LE FILE`, for whole-process comparisons
// (bench/codec_vs_iconv.sh). Like iconv it streams: the file is read in blocks
// and each block is decoded up to its last byte below 0x40, which can only end a
// character, so no pair is split between blocks (unless a whole block holds no
// such byte).
#include "core/cp932.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool writeAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    constexpr std::size_t kBlock = 1 << 20;
    std::string buffer(2 * kBlock, '\0');
    std::size_t held = 0;  // bytes carried over from the previous block
    std::u16string text;
    text.reserve(2 * kBlock);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + held, kBlock);
        if (got < 0) {
            std::perror(argv[1]);
            return 1;
        }
        const std::size_t filled = held + static_cast<std::size_t>(got);
        std::size_t cut = filled;
        if (got > 0) {
            while (cut > 0 && static_cast<unsigned char>(buffer[cut - 1]) >= 0x40) --cut;
            // A whole block without such a byte is decoded as it stands; the carry-over
            // stays below one block, so the next read always fits.
            if (filled - cut >= kBlock) cut = filled;
        }
        text.clear();
        soramie::cp932::decodeAppend(std::string_view(buffer.data(), cut), text);
        // Units are written in the machine's order, which is little-endian on the targets.
        if (!writeAll(STDOUT_FILENO, reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)))
            return 1;
        held = filled - cut;
        std::memmove(buffer.data(), buffer.data() + cut, held);
        if (got == 0) break;
    }
    ::close(fd);
    return 0;
}
