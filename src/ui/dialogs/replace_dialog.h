// SPDX-License-Identifier: MIT
// ReplaceDialog: the replace dialog "置換". It rewrites the whole text of the
// main window's pane in one of two modes, the main window's ReplaceMode:
//   Range   every stretch from a start marker through the next end marker
//           becomes the replacement, after a confirmation, and the count is
//           reported;
//   Simple  every occurrence of a string is replaced at once, with a check box
//           choosing whether occurrences already inside the replacement are
//           skipped.
// Only the pane's text changes; nothing is written to disk.
//
// A DialogWindow, created hidden by the main window and destroyed once it is
// closed or unloaded and none of its handlers runs. It shows the layout of the
// mode in force when it is created. All methods run on the GUI thread.
#pragma once

#include "platform/services.h"
#include "ui/common/dialog_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace soramie {

class MainWindowPort;

class ReplaceDialog : public DialogWindow {
    Q_OBJECT
public:
    explicit ReplaceDialog(MainWindowPort& main);
    ~ReplaceDialog() override;

    QPushButton* replaceAllButton = nullptr;          // "一括置換"
    QPushButton* clearButton = nullptr;               // "クリア"
    QPushButton* switchModeButton = nullptr;          // mode switch
    QLineEdit* findOrStartField = nullptr;            // start marker / search string
    QLabel* rangeMarkLabel = nullptr;                 // "～" in range mode
    QLineEdit* endField = nullptr;                    // end marker (range mode only)
    QLineEdit* replacementField = nullptr;            // replacement
    QCheckBox* skipInsideReplacementCheck = nullptr;  // simple mode: skip occurrences inside the replacement

    void replaceAll();
    // Empties the three boxes.
    void clearFields();
    // Switches the replace mode between range and simple and the layout with it.
    void switchMode();

private:
    void replaceRange();
    void replaceSimple();
    void showSimpleLayout(const QString& caption);
    void showRangeLayout(const QString& caption);
};

}  // namespace soramie
