// SPDX-License-Identifier: MIT
// What every soramie-cli subcommand shares: its signature, exit statuses,
// argument parsing and whole-file input and output.
#pragma once

#include "core/result.h"

#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace soramie::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;      // I/O error, or data the command cannot process
inline constexpr int kExitUsage = 2;        // a wrong command line
inline constexpr int kExitOutOfMemory = 2;  // the command ran out of memory

// A subcommand: `args` are the words after its name. Results go to `out`
// (binary), messages to `err`.
using CommandFn = int (*)(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// The options and operands of one invocation.
struct ParsedArgs {
    std::map<std::string, std::string, std::less<>> values;  // "--name VALUE"
    std::set<std::string, std::less<>> flags;                // "--name"
    std::vector<std::string> operands;                       // everything else; "--" ends options
    bool help = false;                                       // "--help" or "-h" was given

    const std::string* value(std::string_view name) const;
    bool flag(std::string_view name) const { return flags.contains(name); }
    // The first operand (a FILE), or nullptr when there is none.
    const std::string* file() const { return operands.empty() ? nullptr : &operands.front(); }
};

// Parses `args` against the allowed option names (with their "--"). An option
// that takes a value takes the next word whatever it is, so "--to -x" works.
// "--help" and "-h" are always allowed and set `help`, whatever else is wrong.
// Otherwise returns nullopt after writing a one-line reason to `err` for an
// unknown option, a missing value, or more than `maxOperands` operands.
std::optional<ParsedArgs> parseArgs(std::span<const std::string> args,
                                    std::initializer_list<std::string_view> valueOptions,
                                    std::initializer_list<std::string_view> flagOptions, std::size_t maxOperands,
                                    std::ostream& err);

// Writes "soramie-cli: <message>" and the usage line to `err`; returns kExitUsage.
int usageError(std::ostream& err, std::string_view message, std::string_view usage);

// Writes the usage line and `details` (ending with a line break) to `out`;
// returns kExitOk, or kExitFailure after a message on `err` when `out` fails.
int printHelp(std::ostream& out, std::ostream& err, std::string_view usage, std::string_view details);

// The display name of an input operand: "standard input" for "-" or none.
std::string inputName(const std::string* operand);

// Reads a whole file, or standard input for "-" or no operand.
Result<std::string, IoError> readInput(const std::string* operand);
// Writes `bytes` to `out` and flushes; false when the stream failed.
bool writeOutput(std::ostream& out, std::string_view bytes);

// Writes "soramie-cli: cannot <step> <path>: <reason>" to `err` (a refused
// symbolic link is explained); returns kExitFailure.
int ioFailure(std::ostream& err, const IoError& e);
// ioFailure for the result stream.
int outputFailure(std::ostream& err);

// A TEXT argument (UTF-8) as program text; nullopt after a usage message when it
// is not UTF-8 or holds a character without a CP932 code.
std::optional<std::u16string> textArgument(std::string_view option, const std::string& utf8, std::ostream& err,
                                           std::string_view usage);

}  // namespace soramie::cli
