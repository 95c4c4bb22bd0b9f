// SPDX-License-Identifier: MIT
// What the main window keeps to follow the file it shows (follow.cpp): the
// watcher, the "末尾を追跡" state and its status label. GUI thread only.
#pragma once

#include <QElapsedTimer>

class QLabel;
class QTimer;

namespace soramie {

namespace platform {
class FileWatcher;
}

struct FollowState {
    platform::FileWatcher* watcher = nullptr;  // owned by the window
    // Runs only while bytes wait to be taken in: the next take-in after a
    // short gap, or a retry while the document is still indexed or a command
    // runs. Never fires while nothing arrives.
    QTimer* later = nullptr;
    QLabel* status = nullptr;  // "追跡中", or paused while the view is scrolled up; empty when off
    QElapsedTimer sinceTake;   // since the last take-in
    bool on = false;           // "末尾を追跡" is checked
    // The user was told the shown file was replaced or cut under edits; the
    // pane keeps its text and takes nothing in until its edits are saved or
    // dropped, or another file is shown.
    bool detached = false;
    bool busy = false;  // a take-in is running (a message box may be open)
};

}  // namespace soramie
