// SPDX-License-Identifier: MIT
// AboutDialog: the about dialog "バージョン情報": the program's icon, name and
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

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // Reads readmePath whole and shows it decoded from CP932; a missing or
    // unreadable file gives an empty text box.
    explicit AboutDialog(const QString& readmePath, QWidget* parent = nullptr);
    ~AboutDialog() override;

    QLabel* iconLabel = nullptr;
    QLabel* versionLabel = nullptr;        // "SORAMIE ver0.097a"
    QPlainTextEdit* readmeView = nullptr;  // readme.txt, read-only
    QPushButton* okButton = nullptr;       // "OK"

    // The text of a readme file as bytes decoded from CP932; empty when the
    // file cannot be read.
    static QString readmeText(const QString& path);

private:
    QFrame* separatorLine_[2] = {};  // grey separator line and its white highlight
};

}  // namespace soramie
