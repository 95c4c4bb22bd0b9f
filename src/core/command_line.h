// SPDX-License-Identifier: MIT
// Splitting a configured command line ("program" or "browse" setting) into an
// argument vector the way a POSIX shell splits words, without running a shell:
// no expansion of variables, globs, `...`, $(...), redirections or separators.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace soramie {

// Words of commandLine. Blanks (space, TAB, CR, LF) separate words; '...' keeps
// everything literally; "..." keeps everything but a backslash before " \ $ `
// (which yields that character); outside quotes a backslash yields the next
// character. An unterminated quote runs to the end of the text. Adjacent quoted
// and unquoted pieces form one word; "" alone is an empty word.
std::vector<std::u16string> splitCommandLine(std::u16string_view commandLine);

}  // namespace soramie
