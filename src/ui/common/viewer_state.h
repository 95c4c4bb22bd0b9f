// SPDX-License-Identifier: MIT
// What the main window remembers between commands, and the two settings-like
// states the dialogs change through MainWindowPort. Read and written on the
// GUI thread only.
#pragma once

#include "ui/common/twips.h"

#include <QString>

namespace soramie {

// Where the file the display button shows comes from: the file list's
// selection, or the search dialog's selected hit.
enum class ShownFrom { FileList, SearchHit };

// How the replace dialog rewrites the pane: every stretch from a start marker
// through the next end marker, or every occurrence of a string. The mode
// outlasts the dialog.
enum class ReplaceMode { Range, Simple };

// The values of the settings file the windows use (section "main").
struct UserSettings {
    QString browserCommand;  // "browse": the browser's command line
    QString programCommand;  // "program": the external program's path
    QString programName;     // "name": the external program's display name
    QString workFolder;      // "log": the folder the file browser starts in
    QString typedateValue;   // "typedate": read and kept, not used
    // The pane's size as last set in the settings dialog, in the twips typed
    // there; shown again while the pane still has that size in pixels.
    Twips paneHeight{6255};
    Twips paneWidth{8895};
};

struct ViewerState {
    UserSettings settings;
    ShownFrom shownFrom = ShownFrom::FileList;
    ReplaceMode replaceMode = ReplaceMode::Range;
    // The page the last HTML export wrote.
    QString lastExportPath;
    // The file the last file popup was opened for, as one argument for the launcher.
    QString popupFile;
    // The file whose bytes the pane holds: set by every successful display and
    // open, empty at start and after a display that could not read its file.
    // Saving writes only there.
    QString shownPath;
};

}  // namespace soramie
