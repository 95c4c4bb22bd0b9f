// SPDX-License-Identifier: MIT
// How tests and benchmarks reach the main window's controls, state and loaded
// dialogs, which it keeps private: through this probe, which it befriends.
#pragma once

#include "ui/main/main_window.h"

namespace soramie::testing {

// The tests' only way into the main window's private parts: its controls, its
// state and the dialogs it has loaded (MainWindow befriends this probe).
struct MainWindowProbe {
    static MainWindowControls& controls(MainWindow& window) { return window.ui_; }
    static ViewerState& state(MainWindow& window) { return window.state_; }
    static LoadedDialogs& dialogs(MainWindow& window) { return window.dialogs_; }
};
inline MainWindowControls& ui(MainWindow& window) { return MainWindowProbe::controls(window); }
inline ViewerState& viewerState(MainWindow& window) { return MainWindowProbe::state(window); }
inline LoadedDialogs& dialogs(MainWindow& window) { return MainWindowProbe::dialogs(window); }

}  // namespace soramie::testing
