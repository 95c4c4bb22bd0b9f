// SPDX-License-Identifier: MIT
#include "cli/search_command.h"

#include "cli/command.h"
#include "search/scan.h"
#include "search/walk.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <thread>
#include <vector>

namespace soramie::cli {
namespace {

constexpr std::string_view kUsage = "usage: soramie-cli search [--log] [--no-subfolders] [-0|--null] FOLDER KEYWORD";
constexpr std::string_view kHelp =
    "Lists the *.txt files (--log: *.log) of FOLDER and its subfolders (--no-subfolders:\n"
    "FOLDER only) whose CP932 text contains KEYWORD (UTF-8), one full path a line\n"
    "(-0, --null: each path ended by a NUL byte instead). Unreadable files and\n"
    "folders are listed on standard error.\n"
    "Exit status: 0 found, 1 nothing found, 2 nothing could be read, the list could\n"
    "not be written, or a wrong command line.\n";

}  // namespace

int runSearchCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto parsed = parseArgs(args, {}, {"--log", "--no-subfolders", "-0", "--null"}, 2, err);
    if (!parsed) return usageError(err, "", kUsage);
    if (parsed->help) return printHelp(out, err, kUsage, kHelp) == kExitOk ? kExitOk : kSearchFailed;
    if (parsed->operands.size() != 2) return usageError(err, "FOLDER and KEYWORD are required", kUsage);
    const std::string& folder = parsed->operands[0];
    const auto keyword = textArgument("KEYWORD", parsed->operands[1], err, kUsage);
    if (!keyword) return kSearchUsageError;
    if (keyword->empty()) return usageError(err, "KEYWORD is empty", kUsage);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return usageError(err, "not a folder: " + folder, kUsage);

    const auto subfolders = parsed->flag("--no-subfolders") ? search::Subfolders::Exclude : search::Subfolders::Include;
    std::vector<std::filesystem::path> candidates;
    const search::WalkStats walk =
        search::collectCandidates(folder, parsed->flag("--log") ? "*.log" : "*.txt", subfolders, candidates);
    for (const IoError& e : walk.unreadableFolders) ioFailure(err, e);

    search::ScanOptions options;
    options.threads = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
    const search::ScanResult result = search::scanFiles(candidates, *keyword, options);
    const char end = parsed->flag("-0") || parsed->flag("--null") ? '\0' : '\n';
    std::string lines;
    for (const auto& hit : result.hits) (lines += hit.native()) += end;
    const bool written = writeOutput(out, lines);
    bool outOfMemory = false;
    for (const IoError& e : result.unreadable) {
        ioFailure(err, e);
        outOfMemory = outOfMemory || e.errnoValue == ENOMEM;
    }
    if (!written) {
        outputFailure(err);
        return kSearchFailed;
    }
    if (outOfMemory) {
        err << "soramie-cli: out of memory\n";
        return kExitOutOfMemory;
    }
    if (!result.hits.empty()) return kSearchFound;
    const bool nothingRead =
        result.unreadable.size() == candidates.size() && (!candidates.empty() || !walk.unreadableFolders.empty());
    return nothingRead ? kSearchFailed : kSearchNothingFound;
}

}  // namespace soramie::cli
