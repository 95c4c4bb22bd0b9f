// SPDX-License-Identifier: MIT
#include "core/paths.h"

namespace soramie {

std::string joinPath(std::string_view folder, std::string_view name, char separator)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (folder.empty() || folder.back() != separator) path.push_back(separator);
    path.append(name);
    return path;
}

std::string folderAndFileLabel(std::string_view path, char separator)
{
    const std::size_t last = path.rfind(separator);
    std::string_view file = path;
    std::string_view folder;
    if (last != std::string_view::npos) {
        file = path.substr(last + 1);
        const std::string_view head = path.substr(0, last);
        const std::size_t before = head.rfind(separator);
        folder = before == std::string_view::npos ? head : head.substr(before + 1);
        // The root of a rooted path has no name of its own: show the separator.
        if (head.empty()) folder = path.substr(0, 1);
    }
    std::string label;
    label.reserve(folder.size() + file.size() + 2);
    label.append(folder);
    label.push_back(' ');
    label.append(file);
    label.push_back(' ');
    return label;
}

}  // namespace soramie
