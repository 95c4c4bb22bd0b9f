// SPDX-License-Identifier: MIT
// Directory listings of the file browser: the files of a folder that match a
// wildcard pattern, and its subfolders. Window-free.
//
// Hidden entries (names beginning with '.') are never listed. Names are the
// file-name bytes; results are in listing order (wildcard::nameLess).
#pragma once

#include "core/result.h"

#include <string>
#include <vector>

namespace soramie {

// The ordinary files of folder whose names match pattern (a symbolic link counts
// as what it points to). Fails when the folder cannot be read.
Result<std::vector<std::string>, IoError> listMatchingFiles(const std::string& folder, const std::string& pattern);

// The subfolders of folder (links to folders included). Fails when the folder
// cannot be read.
Result<std::vector<std::string>, IoError> listSubfolders(const std::string& folder);

}  // namespace soramie
