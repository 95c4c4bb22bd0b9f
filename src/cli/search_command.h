// SPDX-License-Identifier: MIT
// `soramie-cli search [--log] [--no-subfolders] [-0|--null] FOLDER KEYWORD`
#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace soramie::cli {

// Exit statuses of the search command.
inline constexpr int kSearchFound = 0;
inline constexpr int kSearchNothingFound = 1;
inline constexpr int kSearchUsageError = 2;
inline constexpr int kSearchFailed = 2;  // nothing could be read, or the list could not be written

// Walks FOLDER for "*.txt" files ("*.log" with --log), subfolders included
// unless --no-subfolders, and writes to `out` the full path of every file whose
// CP932 text contains KEYWORD (given in UTF-8), in walk order, each followed by
// a line break (a NUL with -0/--null, for names that hold line breaks).
// Files and folders that could not be read are listed on `err`.
// `args` are the words after "search". Returns kSearchFound when a file was
// found (also when others could not be read), kSearchNothingFound when files
// were read and none holds KEYWORD (or there were none), kSearchFailed when
// nothing could be read (every candidate or folder failed) or `out` failed,
// kSearchUsageError for bad arguments, an empty or invalid keyword, or a FOLDER
// that is not a folder.
int runSearchCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace soramie::cli
