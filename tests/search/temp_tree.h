// SPDX-License-Identifier: MIT
// A temporary folder for tests that need real files, links and permissions.
// Removal works by file descriptor, so trees deeper than PATH_MAX go away too.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace soramie::testing {

class TempTree {
public:
    TempTree()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "soramie-test-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        root_ = tmpl;
    }
    ~TempTree()
    {
        const int cwd = ::open(".", O_RDONLY | O_DIRECTORY);
        if (::chdir(root_.parent_path().c_str()) == 0) removeTree(root_.filename().c_str());
        if (cwd >= 0) {
            [[maybe_unused]] const int rc = ::fchdir(cwd);
            ::close(cwd);
        }
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path operator/(std::string_view rel) const { return root_ / rel; }

    // Writes `bytes` to root/rel, creating the folders on the way.
    std::filesystem::path file(std::string_view rel, std::string_view bytes = {}) const
    {
        const auto p = root_ / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    std::filesystem::path folder(std::string_view rel) const
    {
        const auto p = root_ / rel;
        std::filesystem::create_directories(p);
        return p;
    }

private:
    // Removes the folder `name` of the current folder and everything in it,
    // working with relative names only (any depth, any path length), and
    // restoring permissions a test took away. Symbolic links are removed, not
    // followed.
    static void removeTree(const char* name)
    {
        if (::chdir(name) != 0) {
            ::chmod(name, 0700);
            if (::chdir(name) != 0) return;
        }
        ::chmod(".", 0700);
        std::vector<std::pair<std::string, bool>> entries;
        if (DIR* dir = ::opendir(".")) {
            while (dirent* e = ::readdir(dir)) {
                const std::string_view n = e->d_name;
                if (n == "." || n == "..") continue;
                struct stat st {};
                const bool isDir = ::lstat(e->d_name, &st) == 0 && S_ISDIR(st.st_mode);
                entries.emplace_back(e->d_name, isDir);
            }
            ::closedir(dir);
        }
        for (const auto& [n, isDir] : entries) {
            if (isDir) removeTree(n.c_str());
            else ::unlink(n.c_str());
        }
        if (::chdir("..") == 0) ::rmdir(name);
    }

    std::filesystem::path root_;
};

}  // namespace soramie::testing
