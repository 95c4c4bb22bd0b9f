// SPDX-License-Identifier: MIT
#include "search/walk.h"

#include "core/wildcard.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

namespace soramie::search {
namespace fs = std::filesystem;
namespace {

enum class Kind { Candidate, Subfolder };

struct Entry {
    std::string name;
    Kind kind;
};

// What the walk makes of one directory entry; false when it is neither a
// candidate file nor a folder to enter.
bool classify(const fs::directory_entry& entry, Kind& kind) {
    std::error_code ec;
    const fs::file_status own = entry.symlink_status(ec);
    if (ec) return false;
    if (fs::is_directory(own)) {
        kind = Kind::Subfolder;
        return true;
    }
    if (fs::is_regular_file(own)) {
        kind = Kind::Candidate;
        return true;
    }
    if (fs::is_symlink(own)) {
        // Only links to regular files count; links to folders are never entered.
        const fs::file_status target = entry.status(ec);
        if (!ec && fs::is_regular_file(target)) {
            kind = Kind::Candidate;
            return true;
        }
    }
    return false;
}

// The folder's candidates matching `pattern` and its enterable subfolders, in
// listing order. False when the folder cannot be listed.
bool listFolder(const fs::path& folder, std::string_view pattern, bool wantSubfolders,
                std::vector<Entry>& entries, IoError* error) {
    entries.clear();
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        Kind kind;
        if (!classify(*it, kind)) continue;
        if (kind == Kind::Subfolder ? (!wantSubfolders || name.starts_with('.'))
                                    : !wildcard::matches(pattern, name)) {
            continue;
        }
        entries.push_back({std::move(name), kind});
    }
    if (ec) {
        entries.clear();
        if (error) *error = IoError{folder.string(), "list folder", ec.value()};
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return wildcard::nameLess(a.name, b.name); });
    return true;
}

}  // namespace

bool collectFiles(const fs::path& folder, std::string_view pattern, std::vector<fs::path>& out) {
    std::vector<Entry> entries;
    if (!listFolder(folder, pattern, false, entries, nullptr)) return false;
    for (const Entry& e : entries) out.push_back(folder / e.name);
    return true;
}

WalkStats walkFolder(const fs::path& folder, std::string_view pattern, Subfolders subfolders,
                     std::vector<fs::path>& out, const WalkControl& control) {
    WalkStats stats;
    const bool deep = subfolders == Subfolders::Include;
    // Folders still to visit, the next one on top: popping the top and pushing
    // its subfolders in reverse order gives the pre-order of a recursive walk
    // without using the call stack.
    std::vector<fs::path> pending{folder};
    std::vector<Entry> entries;
    while (!pending.empty()) {
        if (control.cancel && control.cancel->load(std::memory_order_relaxed)) {
            stats.cancelled = true;
            break;
        }
        const fs::path current = std::move(pending.back());
        pending.pop_back();
        IoError error;
        if (!listFolder(current, pattern, deep, entries, &error)) {
            stats.unreadableFolders.push_back(std::move(error));
            continue;
        }
        ++stats.foldersRead;
        for (const Entry& e : entries) {
            if (e.kind == Kind::Candidate) out.push_back(current / e.name);
        }
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            if (it->kind == Kind::Subfolder) pending.push_back(current / it->name);
        }
        if (control.progress) control.progress(out.size());
    }
    return stats;
}

}  // namespace soramie::search
