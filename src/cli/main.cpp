// SPDX-License-Identifier: MIT
// soramie-cli: the batch front end of SORAMIE's text routines.
//   soramie-cli COMMAND [ARGS...]
// Each command is one entry of kCommands.
#include "cli/command.h"
#include "cli/search_command.h"
#include "cli/text_commands.h"

#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Command {
    std::string_view name;
    soramie::cli::CommandFn run;
};

constexpr Command kCommands[] = {
    {"wrap", soramie::cli::runWrapCommand},
    {"replace", soramie::cli::runReplaceCommand},
    {"replace-range", soramie::cli::runReplaceRangeCommand},
    {"html", soramie::cli::runHtmlCommand},
    {"decode", soramie::cli::runDecodeCommand},
    {"encode", soramie::cli::runEncodeCommand},
    {"search", soramie::cli::runSearchCommand},
};

constexpr std::string_view kUsage =
    "usage: soramie-cli {wrap|replace|replace-range|html|decode|encode|search} [ARGS...]";

}  // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    if (argc < 2) return soramie::cli::usageError(std::cerr, "", kUsage);
    const std::string_view name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (c.name == name) return c.run(args, std::cout, std::cerr);
    }
    return soramie::cli::usageError(std::cerr, "unknown command " + std::string(name), kUsage);
}
