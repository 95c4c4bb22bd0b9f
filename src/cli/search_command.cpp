// SPDX-License-Identifier: MIT
#include "cli/search_command.h"

#include "cli/command.h"
#include "search/scan.h"
#include "search/walk.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <thread>
#include <vector>

namespace soramie::cli {
namespace {

constexpr std::string_view kUsage = "usage: soramie-cli search [--log] [--no-subfolders] FOLDER KEYWORD";

}  // namespace

int runSearchCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    const auto parsed = parseArgs(args, {}, {"--log", "--no-subfolders"}, 2, err);
    if (!parsed) return usageError(err, "", kUsage);
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
        search::walkFolder(folder, parsed->flag("--log") ? "*.log" : "*.txt", subfolders, candidates);
    for (const IoError& e : walk.unreadableFolders) ioFailure(err, e);

    search::ScanOptions options;
    options.threads = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
    const search::ScanResult result = search::scanFiles(candidates, *keyword, options);
    std::string lines;
    for (const auto& hit : result.hits) (lines += hit.native()) += '\n';
    writeOutput(out, lines);
    for (const IoError& e : result.unreadable) ioFailure(err, e);
    return result.hits.empty() ? kSearchNothingFound : kSearchFound;
}

}  // namespace soramie::cli
