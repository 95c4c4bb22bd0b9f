// SPDX-License-Identifier: MIT
#include "search/walk.h"

#include "core/wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

namespace soramie::search {
namespace fs = std::filesystem;
namespace {

enum class Kind { Candidate, Subfolder };

struct Entry {
    std::string name;
    Kind kind;
};

// What the walk makes of the entry `name` of the open folder `dir`, whose type
// readdir gave as `type`; false when it is neither a candidate file nor a
// folder to enter. Only unknown types and links cost a stat.
bool classify(int dir, const char* name, unsigned char type, Kind& kind)
{
    struct stat st {};
    if (type == DT_UNKNOWN) {
        if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_FIFO;
    }
    if (type == DT_DIR) {
        kind = Kind::Subfolder;
        return true;
    }
    // Only links to regular files count; links to folders are never entered.
    if (type == DT_REG || (type == DT_LNK && ::fstatat(dir, name, &st, 0) == 0 && S_ISREG(st.st_mode))) {
        kind = Kind::Candidate;
        return true;
    }
    return false;
}

// The folder's candidates matching `pattern` and, when wanted, its enterable
// subfolders, in listing order. False when the folder cannot be listed.
bool listFolder(const fs::path& folder, std::string_view pattern, bool wantSubfolders, std::vector<Entry>& entries,
                IoError* error)
{
    entries.clear();
    DIR* dir = ::opendir(folder.c_str());
    int err = dir ? 0 : errno;
    if (dir) {
        const int fd = ::dirfd(dir);
        for (;;) {
            errno = 0;
            const dirent* e = ::readdir(dir);
            if (!e) {
                err = errno;
                break;
            }
            const std::string_view name = e->d_name;
            if (name == "." || name == "..") continue;
            Kind kind;
            if (!classify(fd, e->d_name, e->d_type, kind)) continue;
            if (kind == Kind::Subfolder ? (!wantSubfolders || name.starts_with('.'))
                                        : !wildcard::matches(pattern, name)) {
                continue;
            }
            entries.push_back({std::string(name), kind});
        }
        ::closedir(dir);
    }
    if (err != 0) {
        entries.clear();
        if (error) *error = IoError{folder.string(), IoStep::ListFolder, err};
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return wildcard::nameLess(a.name, b.name); });
    return true;
}

}  // namespace

bool listMatchingFiles(const fs::path& folder, std::string_view pattern, std::vector<fs::path>& out)
{
    std::vector<Entry> entries;
    if (!listFolder(folder, pattern, false, entries, nullptr)) return false;
    for (const Entry& e : entries) out.push_back(folder / e.name);
    return true;
}

WalkStats collectCandidates(const fs::path& folder, std::string_view pattern, Subfolders subfolders,
                            std::vector<fs::path>& out, const WalkControl& control)
{
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
