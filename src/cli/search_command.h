// SPDX-License-Identifier: MIT
// `soramie-cli search [--log] [--no-subfolders] FOLDER KEYWORD`
#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace soramie::cli {

// Exit statuses of the search command.
inline constexpr int kSearchFound = 0;
inline constexpr int kSearchNothingFound = 1;
inline constexpr int kSearchUsageError = 2;

// Walks FOLDER for "*.txt" files ("*.log" with --log), subfolders included
// unless --no-subfolders, and writes to `out` the full path of every file whose
// CP932 text contains KEYWORD (given in UTF-8), one per line, in walk order.
// Files and folders that could not be read are listed on `err`.
// `args` are the words after "search". Returns kSearchFound, kSearchNothingFound,
// or kSearchUsageError for bad arguments, an empty or invalid keyword, or a
// FOLDER that is not a readable folder.
int runSearchCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace soramie::cli
