// SPDX-License-Identifier: MIT
#include "cli/stream.h"

#include "cli/command.h"
#include "core/cp932.h"
#include "core/read_windows.h"
#include "core/utf8.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace soramie::cli {
namespace {

bool isStdin(const std::string* operand) { return operand == nullptr || *operand == "-"; }

// Length of the ASCII run at s (s < end).
inline std::size_t asciiRun(const unsigned char* s, const unsigned char* end)
{
    const unsigned char* p = s;
#if defined(__SSE2__)
    while (end - p >= 16) {
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
        if (mask != 0) return static_cast<std::size_t>(p - s) + static_cast<std::size_t>(__builtin_ctz(mask));
        p += 16;
    }
#endif
    while (p < end && *p < 0x80) ++p;
    return static_cast<std::size_t>(p - s);
}

}  // namespace

std::size_t Utf8DecodeStream::process(std::string_view window, bool final, std::string& out)
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(window.data());
    const unsigned char* const end = begin + window.size();
    // Every byte gives at most 3 UTF-8 bytes.
    const std::size_t base = out.size();
    out.resize(base + 3 * window.size());
    char* const first = out.data() + base;
    char* d = first;
    const unsigned char* s = begin;
    while (s < end) {
        if (*s < 0x80) {
            const std::size_t n = asciiRun(s, end);
            std::memcpy(d, s, n);
            s += n;
            d += n;
            continue;
        }
        if (!final && s + 1 == end && cp932::isLeadByte(*s)) break;  // its trail byte comes next
        std::size_t used = 0;
        const char16_t u = cp932::decodeOne(
            std::string_view(reinterpret_cast<const char*>(s), static_cast<std::size_t>(end - s)), used);
        utf8::put(cp932::isRawByte(u) ? char16_t{0xFFFD} : u, d);
        s += used;
    }
    out.resize(base + static_cast<std::size_t>(d - first));
    return static_cast<std::size_t>(s - begin);
}

Status<IoError> forEachWindow(const std::string* operand, const std::function<void(std::string_view)>& sink,
                              ReadFrom from)
{
    if (isStdin(operand)) {
        auto r = readInWindows({}, ReadFrom::AnyFile, sink);
        if (!r) {
            IoError e = r.error();
            e.path = inputName(operand);
            return unexpected(std::move(e));
        }
        return r;
    }
    return readInWindows(*operand, from, sink);
}

bool inputCanBeReread(const std::string* operand)
{
    struct stat st {};
    return !isStdin(operand) && ::stat(operand->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int rewriteInput(const std::string* operand, ByteRewriter& rewriter, std::ostream& out, std::ostream& err,
                 ReadFrom from)
{
    std::string output;
    bool written = true;
    const auto flush = [&] {
        out.write(output.data(), static_cast<std::streamsize>(output.size()));
        written = written && !out.fail();
        output.clear();
    };
    const auto read = forEachWindow(
        operand,
        [&](std::string_view window) {
            rewriter.feed(window, output);
            flush();
        },
        from);
    if (!read) return ioFailure(err, read.error());
    rewriter.finish(output);
    flush();
    if (!writeOutput(out, {}) || !written) return outputFailure(err);
    return kExitOk;
}

}  // namespace soramie::cli
