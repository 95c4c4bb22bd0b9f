// SPDX-License-Identifier: MIT
#include "cli/command.h"

#include "core/cp932.h"
#include "core/file_io.h"
#include "core/utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace soramie::cli {
namespace {

// Reads standard input to its end.
bool readStdin(std::string& bytes)
{
    std::FILE* f = stdin;
    constexpr std::size_t kChunk = 1 << 20;
    for (;;) {
        const std::size_t old = bytes.size();
        if (bytes.capacity() - old < kChunk) bytes.reserve(std::max(bytes.capacity() * 2, old + kChunk));
        bytes.resize(old + kChunk);
        const std::size_t got = std::fread(bytes.data() + old, 1, kChunk, f);
        bytes.resize(old + got);
        if (got < kChunk) return std::ferror(f) == 0;
    }
}

}  // namespace

const std::string* ParsedArgs::value(std::string_view name) const
{
    const auto it = values.find(name);
    return it == values.end() ? nullptr : &it->second;
}

std::optional<ParsedArgs> parseArgs(std::span<const std::string> args,
                                    std::initializer_list<std::string_view> valueOptions,
                                    std::initializer_list<std::string_view> flagOptions, std::size_t maxOperands,
                                    std::ostream& err)
{
    const auto listed = [](std::initializer_list<std::string_view> names, std::string_view word) {
        for (std::string_view n : names)
            if (n == word) return true;
        return false;
    };
    ParsedArgs parsed;
    std::string problem;  // the first thing wrong; help wins over it
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word == "-" || !word.starts_with("-")) {
            parsed.operands.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "--help" || word == "-h") {
            parsed.help = true;
        } else if (listed(valueOptions, word)) {
            if (i + 1 == args.size()) {
                if (problem.empty()) problem = word + " needs a value";
            } else {
                parsed.values[word] = args[++i];
            }
        } else if (listed(flagOptions, word)) {
            parsed.flags.insert(word);
        } else if (problem.empty()) {
            problem = "unknown option " + word;
        }
    }
    if (parsed.help) return parsed;
    if (problem.empty() && parsed.operands.size() > maxOperands) problem = "too many operands";
    if (!problem.empty()) {
        err << "soramie-cli: " << problem << "\n";
        return std::nullopt;
    }
    return parsed;
}

int usageError(std::ostream& err, std::string_view message, std::string_view usage)
{
    if (!message.empty()) err << "soramie-cli: " << message << "\n";
    err << usage << "\n";
    return kExitUsage;
}

std::string inputName(const std::string* operand)
{
    return operand == nullptr || *operand == "-" ? std::string("standard input") : *operand;
}

Result<std::string, IoError> readInput(const std::string* operand)
{
    std::string bytes;
    if (operand == nullptr || *operand == "-") {
        if (!readStdin(bytes)) return unexpected(IoError{inputName(operand), IoStep::Read, errno});
        return bytes;
    }
    return readWholeFile(*operand);
}

bool writeOutput(std::ostream& out, std::string_view bytes)
{
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return !out.fail();
}

int printHelp(std::ostream& out, std::ostream& err, std::string_view usage, std::string_view details)
{
    std::string text(usage);
    (text += "\n\n") += details;
    return writeOutput(out, text) ? kExitOk : outputFailure(err);
}

int ioFailure(std::ostream& err, const IoError& e)
{
    if (e.step == IoStep::Read && e.errnoValue == EINVAL) {
        err << "soramie-cli: cannot read " << e.path << ": not a regular file (a FIFO or a device)\n";
        return kExitFailure;
    }
    if (e.step == IoStep::FollowLink) {
        err << "soramie-cli: refusing to write " << e.path
            << (e.errnoValue == ENOENT ? ": it is a symbolic link to a file that does not exist\n"
                                       : ": it is a symbolic link of another user in a shared sticky folder\n");
        return kExitFailure;
    }
    if (e.step == IoStep::ForeignFile) {
        err << "soramie-cli: refusing to write " << e.path
            << ": it is another user's file in a shared sticky folder (they could read what is written)\n";
        return kExitFailure;
    }
    err << "soramie-cli: cannot " << describe(e.step) << " " << e.path;
    if (!e.detail.empty()) err << " (" << e.detail << ")";
    if (e.errnoValue != 0) err << ": " << std::strerror(e.errnoValue);
    err << "\n";
    return kExitFailure;
}

int outputFailure(std::ostream& err) { return ioFailure(err, IoError{"standard output", IoStep::Write, errno}); }

std::optional<std::u16string> textArgument(std::string_view option, const std::string& utf8, std::ostream& err,
                                           std::string_view usage)
{
    auto text = utf8::toUtf16(utf8);
    if (!text) {
        usageError(err, std::string(option) + " is not valid UTF-8", usage);
        return std::nullopt;
    }
    for (char16_t u : *text) {
        if (!cp932::encodable(u) || cp932::isRawByte(u)) {
            usageError(err, std::string(option) + " holds a character that has no CP932 code", usage);
            return std::nullopt;
        }
    }
    return text;
}

}  // namespace soramie::cli
