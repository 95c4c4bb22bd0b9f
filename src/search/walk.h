// SPDX-License-Identifier: MIT
// Folder walk: the candidate files of a folder tree, in a stable order.
//
// Order: pre-order, depth-first. Within a folder the entries are taken in
// wildcard::compareNames order; all matching files of a folder come before the
// files of its subfolders, and each subfolder's whole subtree is finished before
// the next subfolder begins.
//
// What is collected and entered:
// - a candidate is a regular file, or a symbolic link to one, whose name matches
//   the pattern (hidden files included); folders, FIFOs, sockets, devices and
//   dangling links are never candidates, so reading a candidate cannot block;
// - subfolders whose names begin with "." are never entered; neither are
//   symbolic links to folders, so a link cycle cannot make the walk endless;
// - a folder that cannot be read contributes nothing and the walk goes on.
// There is no recursion and no count limit: depth and size are bounded by
// memory only.
#pragma once

#include "core/result.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace soramie::search {

enum class Subfolders { Exclude, Include };

// Optional controls of a walk. The walk runs on the caller's thread.
struct WalkControl {
    // When set and becoming true, the walk stops after the current folder.
    const std::atomic<bool>* cancel = nullptr;
    // Called on the walking thread after each folder with the number of
    // candidates collected so far.
    std::function<void(std::size_t candidates)> progress;
};

struct WalkStats {
    std::size_t foldersRead = 0;
    // Folders that could not be listed (the root included); they contributed nothing.
    std::vector<IoError> unreadableFolders;
    bool cancelled = false;
};

// Appends to `out` the candidates directly in `folder` that match `pattern`
// (see core/wildcard.h), in listing order. Each path is `folder / name`.
// Returns false when the folder could not be listed (nothing is appended).
bool listMatchingFiles(const std::filesystem::path& folder, std::string_view pattern,
                       std::vector<std::filesystem::path>& out);

// Appends to `out` the candidates of `folder` and, with Subfolders::Include, of
// every subfolder the walk enters, in the order described above.
WalkStats collectCandidates(const std::filesystem::path& folder, std::string_view pattern, Subfolders subfolders,
                            std::vector<std::filesystem::path>& out, const WalkControl& control = {});

}  // namespace soramie::search
