// SPDX-License-Identifier: MIT
// The program's icon (window, tray, about dialog), compiled into the program,
// and its version text.
#pragma once

#include <QIcon>
#include <QString>

namespace soramie {

// The icon in 16 to 256 pixel sizes.
[[nodiscard]] QIcon programIcon();

// "SORAMIE ver.0.097a": the status bar, the command line's --version.
[[nodiscard]] QString versionText();
// "SORAMIE ver0.097a": the about dialog.
[[nodiscard]] QString aboutVersionText();

}  // namespace soramie
