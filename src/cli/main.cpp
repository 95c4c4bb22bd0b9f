// SPDX-License-Identifier: MIT
// soramie-cli: the batch front end of SORAMIE's text routines.
//   soramie-cli COMMAND [ARGS...]
// Each command is one entry of kCommands.
#include "cli/command.h"
#include "cli/search_command.h"
#include "cli/text_commands.h"
#include "core/version.h"

#include <unistd.h>

#include <cstring>
#include <iostream>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Command {
    std::string_view name;
    soramie::cli::CommandFn run;
    std::string_view summary;
};

constexpr Command kCommands[] = {
    {"wrap", soramie::cli::runWrapCommand, "re-break lines to a width in bytes"},
    {"replace", soramie::cli::runReplaceCommand, "replace a text by another"},
    {"replace-range", soramie::cli::runReplaceRangeCommand, "replace stretches between two markers"},
    {"html", soramie::cli::runHtmlCommand, "write FILE.html, a minimal HTML page of FILE"},
    {"decode", soramie::cli::runDecodeCommand, "CP932 to UTF-8"},
    {"encode", soramie::cli::runEncodeCommand, "UTF-8 to CP932"},
    {"search", soramie::cli::runSearchCommand, "list the files of a folder tree that contain a keyword"},
};

constexpr std::string_view kUsage =
    "usage: soramie-cli {wrap|replace|replace-range|html|decode|encode|search} [ARGS...]";

int printOverallHelp()
{
    std::string details =
        "Batch tools for Shift-JIS (CP932) text. Files are CP932 bytes, TEXT arguments\n"
        "UTF-8; FILE '-' or none is standard input, results go to standard output.\n\n";
    for (const Command& c : kCommands) {
        std::string name(c.name);
        name.resize(16, ' ');
        ((details += "  ") += name) += c.summary;
        details += '\n';
    }
    details +=
        "  --version       print the program's version\n"
        "\n'soramie-cli COMMAND --help' describes a command.\n"
        "Exit status: 0 success, 1 failure (search: nothing found), 2 wrong command line,\n"
        "out of memory (search: also nothing could be read or written).\n";
    return soramie::cli::printHelp(std::cout, std::cerr, kUsage, details);
}

int printVersion()
{
    const std::string text = std::string("SORAMIE ver.") + soramie::kVersionNumber + '\n';
    return soramie::cli::writeOutput(std::cout, text) ? soramie::cli::kExitOk : soramie::cli::outputFailure(std::cerr);
}

int run(int argc, char** argv)
{
    // Even the stream buffers this allocates may not fit: it runs inside
    // main's handler.
    std::ios::sync_with_stdio(false);
    if (argc < 2) return soramie::cli::usageError(std::cerr, "", kUsage);
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") return printOverallHelp();
    if (name == "--version") return printVersion();
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (c.name == name) return c.run(args, std::cout, std::cerr);
    }
    return soramie::cli::usageError(std::cerr, "unknown command " + std::string(name), kUsage);
}

// Written straight to the descriptor: the standard streams may be half set up.
int reportOutOfMemory()
{
    static constexpr char kMessage[] = "soramie-cli: out of memory\n";
    (void)!::write(STDERR_FILENO, kMessage, std::strlen(kMessage));
    return soramie::cli::kExitOutOfMemory;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return reportOutOfMemory();
    } catch (const std::length_error&) {  // a size beyond what a string can hold
        return reportOutOfMemory();
    }
}
