// SPDX-License-Identifier: MIT
// The program's icon (window, tray, about dialog), compiled into the program.
#pragma once

#include <QIcon>

namespace soramie {

// The icon in 16 to 256 pixel sizes.
[[nodiscard]] QIcon programIcon();

}  // namespace soramie
