// SPDX-License-Identifier: MIT
// A folder that only this user can create, enter or change: the place for the
// single-instance lock and the hand-over socket. Window-free; POSIX.
#pragma once

#include <optional>
#include <string>

namespace soramie {

// True when path is a folder (not a symbolic link) owned by this process's
// effective user with permission bits exactly 0700.
bool isPrivateFolder(const std::string& path);

// The private folder for runtime files:
// - runtimeDir ($XDG_RUNTIME_DIR) when it is set, absolute and private;
// - else <home>/.cache/soramie-run, created 0700 when missing (and .cache,
//   0700, when that is missing), provided home and .cache are folders of this
//   user that nobody else may write, and the result is private. A folder
//   someone else created first, or a link put there, is never used.
// nullopt when neither is possible: the caller then runs without the files.
std::optional<std::string> privateRuntimeFolder(const char* runtimeDir, const std::string& home);

// The home folder: $HOME when it is absolute, else the user database's entry
// for the effective user; empty if none. (A $HOME carried over from another
// user by sudo is not this user's, so privateRuntimeFolder refuses it.)
std::string homeFolder();

}  // namespace soramie
