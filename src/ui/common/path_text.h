// SPDX-License-Identifier: MIT
// Paths as the windows hold them (QString) and as the window-free code takes
// them (file-name bytes), and the path helpers of core/paths.h on QString.
#pragma once

#include <QString>

#include <string>

namespace soramie {

// File-name bytes of path in the platform's file-name encoding, and back.
[[nodiscard]] std::string toNativePath(const QString& path);
[[nodiscard]] QString fromNativePath(const std::string& bytes);

// core/paths.h's JoinFolderFile and FolderFileLabel with the native separator.
[[nodiscard]] QString joinFolderFile(const QString& folder, const QString& name);
[[nodiscard]] QString folderFileLabel(const QString& path);

// path without a final separator, except for the root "/".
[[nodiscard]] QString withoutFinalSeparator(const QString& path);

}  // namespace soramie
