// SPDX-License-Identifier: MIT
// The text subcommands of soramie-cli: wrap, replace, replace-range, html,
// decode and encode. Input files are CP932 (decode and encode: see each).
#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace soramie::cli {

// wrap --width BYTES [FILE]
int runWrapCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
// replace --from TEXT --to TEXT [--keep-existing] [FILE]
int runReplaceCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
// replace-range --start TEXT --end TEXT --with TEXT [FILE]; the count goes to err.
int runReplaceRangeCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
// html [--stdout] FILE: writes FILE.html (or the page to out).
int runHtmlCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
// decode [FILE]: CP932 to UTF-8, undecodable bytes as U+FFFD.
int runDecodeCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
// encode [--replace] [FILE]: UTF-8 to CP932.
int runEncodeCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace soramie::cli
