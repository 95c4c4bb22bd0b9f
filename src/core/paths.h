// SPDX-License-Identifier: MIT
// Path helpers of the file list and the status bar.
//
// Both take the separator as a parameter (the native one by default) so that
// drive-style paths (C:\logs\a.txt) and POSIX paths (/var/log/a.txt) follow the
// same rules. Paths are byte strings in the platform's file-name encoding.
#pragma once

#include <string>
#include <string_view>

namespace soramie {

#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

// The full path of `name` in `folder`: one separator between the two, or none
// when the folder already ends with the separator (a root such as "C:\" or "/").
std::string joinPath(std::string_view folder, std::string_view name, char separator = kNativeSeparator);

// The status-bar label of a file: the name of the folder that directly holds it,
// a space, the file name, a space ("2024 a.txt " for C:\logs\2024\a.txt).
// For a file in a drive root the folder name is the drive ("C: a.txt "); for a
// file in the root of a rooted path ("/a.txt", "\a.txt") it is the separator
// itself ("/ a.txt "); a bare name without separator has an empty folder name
// (" a.txt ").
std::string folderAndFileLabel(std::string_view path, char separator = kNativeSeparator);

}  // namespace soramie
