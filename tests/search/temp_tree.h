// SPDX-License-Identifier: MIT
// A temporary folder for tests that need real files, links and permissions.
// It is removed with GNU chmod and rm, which walk by file descriptor, so trees
// deeper than PATH_MAX and folders a test made unreadable go away too.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

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
        const std::string q = " '" + root_.string() + "'";  // mkdtemp's name holds no quote
        [[maybe_unused]] const int rc = std::system(("chmod -R u+rwx" + q + " 2>/dev/null; rm -rf" + q).c_str());
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path operator/(std::string_view rel) const { return root_ / rel; }

    // Writes `bytes` to root/rel, creating the folders on the way.
    std::filesystem::path file(std::string_view rel, std::string_view bytes = {}) const
    {
        auto p = root_ / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    std::filesystem::path folder(std::string_view rel) const
    {
        std::filesystem::create_directories(root_ / rel);
        return root_ / rel;
    }

private:
    std::filesystem::path root_;
};

}  // namespace soramie::testing
