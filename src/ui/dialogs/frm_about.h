// SPDX-License-Identifier: MIT
// frmAbout: the about dialog "バージョン情報": the program's icon, name and
// version, and the text of readme.txt (CP932) read once when the dialog is
// created. "OK" is the default and the cancel button, so Enter and Esc close it.
//
// A top-level window without owner, created by the main window and
// destroyed when it is closed. GUI thread only.
#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace soramie {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Reads readmePath whole and shows it decoded from CP932; a missing or
    // unreadable file gives an empty text box.
    explicit frmAbout(const QString& readmePath, QWidget* parent = nullptr);
    ~frmAbout() override;

    QLabel* picIcon = nullptr;
    QLabel* Label1 = nullptr;         // "SORAMIE ver0.097a"
    QPlainTextEdit* Text1 = nullptr;  // readme.txt, read-only
    QFrame* Line1[2] = {};            // grey separator line and its white highlight
    QPushButton* cmdOK = nullptr;     // "OK"

    // The text of a readme file as bytes decoded from CP932; empty when the
    // file cannot be read.
    static QString readmeText(const QString& path);
};

}  // namespace soramie
