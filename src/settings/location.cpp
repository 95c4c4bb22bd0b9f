// SPDX-License-Identifier: MIT
#include "settings/location.h"

#include "settings/settings.h"

#include <unistd.h>
#include <system_error>

namespace soramie::settings {

namespace {

std::filesystem::path prefixShare(const std::filesystem::path& exeFolder, std::string_view baseName)
{
    // "/usr/bin/" and "/usr/bin" name the same folder.
    const std::filesystem::path folder = exeFolder.has_filename() ? exeFolder : exeFolder.parent_path();
    return folder.parent_path() / "share" / std::string(baseName);
}

}  // namespace

Layout detectLayout(const std::filesystem::path& exeFolder, std::string_view baseName)
{
    // access() answers for this process's real user, the one who runs the viewer.
    if (::access(exeFolder.c_str(), W_OK | X_OK) != 0) return Layout::Installed;
    std::error_code error;
    if (std::filesystem::is_regular_file(prefixShare(exeFolder, baseName) / "readme.txt", error)) {
        return Layout::Installed;
    }
    return Layout::Portable;
}

ProgramFiles programFiles(Layout layout, const std::filesystem::path& exeFolder, std::string_view baseName,
                          const std::filesystem::path& userConfigFolder)
{
    if (layout == Layout::Portable) {
        return {settingsFilePath(exeFolder.string(), baseName), exeFolder / "readme.txt"};
    }
    return {settingsFilePath(userConfigFolder.string(), baseName), prefixShare(exeFolder, baseName) / "readme.txt"};
}

}  // namespace soramie::settings
