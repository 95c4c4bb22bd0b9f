// SPDX-License-Identifier: MIT
#include "core/private_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <vector>

namespace soramie {
namespace {

// A folder of this user that no one else may write into (links followed: a
// home folder may well be reached through one).
bool isOwnUnsharedFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

}  // namespace

bool isPrivateFolder(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0777) == 0700;
}

std::optional<std::string> privateRuntimeFolder(const char* runtimeDir, const std::string& home)
{
    if (runtimeDir != nullptr && runtimeDir[0] == '/' && isPrivateFolder(runtimeDir)) return std::string(runtimeDir);
    if (home.empty() || home.front() != '/' || !isOwnUnsharedFolder(home)) return std::nullopt;
    const std::string cache = home + "/.cache";
    ::mkdir(cache.c_str(), 0700);  // already there is fine; checked below
    if (!isOwnUnsharedFolder(cache)) return std::nullopt;
    const std::string folder = cache + "/soramie-run";
    ::mkdir(folder.c_str(), 0700);
    if (!isPrivateFolder(folder)) return std::nullopt;
    return folder;
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
    return found->pw_dir != nullptr ? std::string(found->pw_dir) : std::string();
}

}  // namespace soramie
