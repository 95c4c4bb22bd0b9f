// SPDX-License-Identifier: MIT
// Folder listings: what a folder holds, as the file list and the file pickers
// show it. Window-free; names are the file-name bytes.
//
// Hidden entries (names beginning with '.', so "." and ".." too) are never
// listed.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace soramie {

// One entry of a folder as stat tells it: through a symbolic link to what it
// points to, and the link itself when that is gone.
struct FolderEntry {
    enum class Kind { File, Folder, Other };  // File: an ordinary file
    std::string name;
    Kind kind = Kind::Other;
    bool executable = false;  // an ordinary file with an execute bit
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // seconds since the epoch
};

struct FolderContents {
    // In listing order (wildcard::nameLess); entries stat cannot describe are left out.
    std::vector<FolderEntry> entries;
    // Reading the folder failed part way: entries holds what was read before.
    bool incomplete = false;
};

// Every entry of folder. Fails (with the errno of opening it) when the folder
// cannot be opened.
Result<FolderContents, IoError> readFolder(const std::string& folder);

// The ordinary files of folder whose names match pattern (a symbolic link counts
// as what it points to), in listing order. A folder that may not be read lists
// nothing; one that cannot be read otherwise, or only part way, fails.
Result<std::vector<std::string>, IoError> listMatchingFiles(const std::string& folder, const std::string& pattern);

// The subfolders of folder (links to folders included), as listMatchingFiles.
Result<std::vector<std::string>, IoError> listSubfolders(const std::string& folder);

}  // namespace soramie
