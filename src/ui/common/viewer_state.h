// SPDX-License-Identifier: MIT
// The variables the main window shares with the dialogs. They hold text or
// small numbers and are read and written on the GUI thread only.
#pragma once

#include <QString>

namespace soramie {

struct ViewerState {
    QString br;         // browser command line (setting "browse")
    int Flag = 0;       // source of the shown file: 0 file list, 2 search result list
    int flagb = 0;      // replace mode shared with the replace dialog: 0 range, 1 simple
    QString flagc;      // reserved setting "typedate"
    QString filea;      // path of the last HTML export
    QString strret;     // work folder (setting "log")
    QString pro;        // external program path (setting "program")
    QString pron;       // external program display name (setting "name")
    QString memoname;   // command line: pro, space, file
    QString memonameM;  // command line: the desktop's opener, space, file
    // The file of the last popup-menu command lines, as one argument for the launcher.
    QString memoFile;
    // The file whose bytes the pane holds: set by every successful display and
    // open, empty at start and after a display that could not read its file.
    // Saving writes only there.
    QString shownPath;
};

}  // namespace soramie
