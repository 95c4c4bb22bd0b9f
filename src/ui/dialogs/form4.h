// SPDX-License-Identifier: MIT
// Form4: the replace dialog "置換". It rewrites the whole text of the main
// window's pane in one of two modes, chosen by the main window's `flagb`:
//   0  range mode: every stretch from a start marker through the next end
//      marker becomes the replacement, after a confirmation, and the count is
//      reported;
//   1  simple mode: every occurrence of a string is replaced at once, with
//      Check3 choosing whether occurrences already inside the replacement are
//      skipped.
// Only the pane's text changes; nothing is written to disk.
//
// A DialogWindow, created hidden by the main window and destroyed once it is
// closed or unloaded and none of its handlers runs. It shows the layout of the
// mode `flagb` holds when it is created. All methods run on the GUI thread.
#pragma once

#include "platform/services.h"
#include "ui/common/dialog_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace soramie {

class MainWindowPort;

class Form4 : public DialogWindow {
    Q_OBJECT
public:
    explicit Form4(MainWindowPort& main);
    ~Form4() override;

    QPushButton* cmdReplace = nullptr;       // "一括置換"
    QPushButton* Command5 = nullptr;         // "クリア"
    QPushButton* Command11 = nullptr;        // mode switch
    QLabel* Label1 = nullptr;                // "対象文字列"
    QLineEdit* txtFndStartString = nullptr;  // start marker / search string
    QLabel* Label3 = nullptr;                // "～" in range mode
    QLineEdit* txtFndEndString = nullptr;    // end marker (range mode only)
    QLabel* Label2 = nullptr;                // "置換文字列"
    QLineEdit* txtRepString = nullptr;       // replacement
    QCheckBox* Check3 = nullptr;             // simple mode: skip occurrences inside the replacement

    void cmdReplace_Click();
    // Empties the three boxes.
    void Command5_Click();
    // Switches flagb between range and simple mode and the layout with it.
    void Command11_Click();

private:
    void replaceRange();
    void replaceSimple();
    void showSimpleLayout(const QString& caption);
    void showRangeLayout(const QString& caption);
};

}  // namespace soramie
