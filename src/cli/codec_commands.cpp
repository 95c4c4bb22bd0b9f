// SPDX-License-Identifier: MIT
// decode and encode: CP932 <-> UTF-8 for scripts.
#include "cli/command.h"
#include "cli/stream.h"
#include "cli/text_commands.h"
#include "core/cp932.h"
#include "core/utf8.h"

#include <ostream>

namespace soramie::cli {
namespace {

constexpr std::string_view kDecodeUsage = "usage: soramie-cli decode [FILE]";
constexpr std::string_view kEncodeUsage = "usage: soramie-cli encode [--replace] [FILE]";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kDecodeHelp =
    "Converts CP932 to UTF-8; bytes that are not valid CP932 become U+FFFD.\n"
    "FILE '-' or none: standard input; the result goes to standard output.\n";
constexpr std::string_view kEncodeHelp =
    "Converts UTF-8 to CP932 (a leading byte-order mark is dropped). A character\n"
    "without a CP932 code, or malformed UTF-8, is an error naming its line and\n"
    "column; with --replace it is written as '?'.\n"
    "FILE '-' or none: standard input; the result goes to standard output.\n";

}  // namespace

int runDecodeCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto a = parseArgs(args, {}, {}, 1, err);
    if (!a) return usageError(err, "", kDecodeUsage);
    if (a->help) return printHelp(out, err, kDecodeUsage, kDecodeHelp);
    Utf8DecodeStream decode;
    return rewriteInput(a->file(), decode, out, err);
}

int runEncodeCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto a = parseArgs(args, {}, {"--replace"}, 1, err);
    if (!a) return usageError(err, "", kEncodeUsage);
    if (a->help) return printHelp(out, err, kEncodeUsage, kEncodeHelp);
    const bool replace = a->flag("--replace");
    const auto input = readInput(a->file());
    if (!input) return ioFailure(err, input.error());
    std::string_view utf8 = *input;
    // A leading byte-order mark is not text; CP932 files carry none.
    std::size_t i = utf8.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;

    std::string cp932Bytes;
    cp932Bytes.reserve(utf8.size());
    std::size_t line = 1;
    std::size_t column = 1;
    while (i < utf8.size()) {
        const std::size_t at = i;
        const auto c = utf8::nextCodePoint(utf8, i);
        const int code = c && *c <= 0xFFFF && !cp932::isRawByte(static_cast<char16_t>(*c))
                             ? cp932::codeOf(static_cast<char16_t>(*c))
                             : -1;
        if (code < 0) {
            if (!replace) {
                err << "soramie-cli: " << inputName(a->file()) << ": line " << line << ", column " << column
                    << " (byte " << at << "): ";
                if (c) {
                    char hex[16];
                    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(*c));
                    err << hex << " has no CP932 code\n";
                } else {
                    err << "not valid UTF-8\n";
                }
                return kExitFailure;
            }
            cp932Bytes.push_back('?');
        } else {
            cp932::appendCode(code, cp932Bytes);
        }
        if (c && *c == U'\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    if (!writeOutput(out, cp932Bytes)) return outputFailure(err);
    return kExitOk;
}

}  // namespace soramie::cli
