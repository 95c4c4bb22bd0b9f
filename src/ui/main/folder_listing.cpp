// SPDX-License-Identifier: MIT
#include "ui/main/folder_listing.h"

#include "core/wildcard.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace soramie {

namespace fs = std::filesystem;

namespace {

enum class Kind { File, Folder };

Result<std::vector<std::string>, IoError> listEntries(const std::string& folder, Kind kind, const std::string* pattern)
{
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied, ec);
    if (ec) return unexpected(IoError{folder, IoStep::ListFolder, ec.value()});
    std::vector<std::string> names;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return unexpected(IoError{folder, IoStep::ListFolder, ec.value()});
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        if (pattern != nullptr && !wildcard::matches(*pattern, name)) continue;
        std::error_code typeEc;
        const bool wanted = kind == Kind::File ? it->is_regular_file(typeEc) : it->is_directory(typeEc);
        if (wanted && !typeEc) names.push_back(std::move(name));
    }
    if (ec) return unexpected(IoError{folder, IoStep::ListFolder, ec.value()});
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return wildcard::nameLess(a, b); });
    return names;
}

}  // namespace

Result<std::vector<std::string>, IoError> listMatchingFiles(const std::string& folder, const std::string& pattern)
{
    return listEntries(folder, Kind::File, &pattern);
}

Result<std::vector<std::string>, IoError> listSubfolders(const std::string& folder)
{
    return listEntries(folder, Kind::Folder, nullptr);
}

}  // namespace soramie
