// SPDX-License-Identifier: MIT
#include "core/folder_listing.h"

#include "core/wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>

namespace soramie {

Result<FolderContents, IoError> readFolder(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return unexpected(IoError{folder, IoStep::ListFolder, errno});
    FolderContents out;
    const int fd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(dir);
        if (item == nullptr) {
            out.incomplete = errno != 0;
            break;
        }
        std::string name = item->d_name;
        if (name.empty() || name.front() == '.') continue;
        struct stat info {};
        if (::fstatat(fd, name.c_str(), &info, 0) != 0 && ::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        FolderEntry entry;
        entry.name = std::move(name);
        entry.kind = S_ISREG(info.st_mode)   ? FolderEntry::Kind::File
                     : S_ISDIR(info.st_mode) ? FolderEntry::Kind::Folder
                                             : FolderEntry::Kind::Other;
        entry.executable = S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
        entry.size = static_cast<std::uint64_t>(info.st_size);
        entry.modified = static_cast<std::int64_t>(info.st_mtime);
        out.entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(out.entries.begin(), out.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return wildcard::nameLess(a.name, b.name); });
    return out;
}

namespace {

Result<std::vector<std::string>, IoError> namesOf(const std::string& folder, FolderEntry::Kind kind,
                                                  const std::string* pattern)
{
    auto contents = readFolder(folder);
    if (!contents) {
        // A folder that may not be read shows as empty.
        if (contents.error().errnoValue == EACCES) return std::vector<std::string>{};
        return unexpected(contents.error());
    }
    if (contents->incomplete) return unexpected(IoError{folder, IoStep::ListFolder, EIO});
    std::vector<std::string> names;
    for (FolderEntry& entry : contents->entries) {
        if (entry.kind != kind) continue;
        if (pattern != nullptr && !wildcard::matches(*pattern, entry.name)) continue;
        names.push_back(std::move(entry.name));
    }
    return names;
}

}  // namespace

Result<std::vector<std::string>, IoError> listMatchingFiles(const std::string& folder, const std::string& pattern)
{
    return namesOf(folder, FolderEntry::Kind::File, &pattern);
}

Result<std::vector<std::string>, IoError> listSubfolders(const std::string& folder)
{
    return namesOf(folder, FolderEntry::Kind::Folder, nullptr);
}

}  // namespace soramie
