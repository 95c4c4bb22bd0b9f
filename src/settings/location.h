// SPDX-License-Identifier: MIT
// Where the program keeps its settings file and finds its readme.txt.
//
// Portable layout (a build folder, an unpacked copy): both files lie beside the
// executable. Installed layout (a package in /usr/bin, `cmake --install` into a
// prefix): the executable's folder is not the user's to write, so the settings
// file is <baseName>.ini in the user's configuration folder and readme.txt is
// read from <prefix>/share/<baseName>/. Window-free; touches no file.
#pragma once

#include <filesystem>
#include <string_view>

namespace soramie::settings {

enum class Layout { Portable, Installed };

// The layout of an executable in exeFolder: Installed when this process cannot
// create files in exeFolder, or when exeFolder is the bin folder of an
// installation prefix, recognised by <exeFolder>/../share/<baseName>/readme.txt
// (so a user's own install into ~/.local is not written to either). Portable
// otherwise.
Layout detectLayout(const std::filesystem::path& exeFolder, std::string_view baseName);

struct ProgramFiles {
    std::filesystem::path settings;  // the settings file, <baseName>.ini
    std::filesystem::path readme;    // readme.txt
};

// The two files for a layout. userConfigFolder is used by the installed layout
// only (the folder itself may not exist yet).
ProgramFiles programFiles(Layout layout, const std::filesystem::path& exeFolder, std::string_view baseName,
                          const std::filesystem::path& userConfigFolder);

}  // namespace soramie::settings
