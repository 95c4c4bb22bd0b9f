// SPDX-License-Identifier: MIT
// Form2: the settings dialog "設定". It edits the pane's height and width, the
// wrap count, the external program (path and name), the browser command line
// and the work folder. `settei` checks the three numbers, applies each valid one
// to the main window at once and, when all three are valid, rewrites the
// settings file and updates the main window's program menu item.
//
// A DialogWindow: unloaded by its close box, by "OK" after a valid save, or by
// any resize of the main window, and destroyed once none of its handlers runs.
// All methods run on the GUI thread.
#pragma once

#include "platform/services.h"
#include "ui/common/dialog_window.h"

#include <QString>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace soramie {

class MainWindowPort;

class Form2 : public DialogWindow {
    Q_OBJECT
public:
    // Runs the dialog's load step: the main window's pro and pron are read
    // again from the settings file, and the program, name, browser and work
    // folder fields are filled from the main window's variables.
    explicit Form2(MainWindowPort& main);
    ~Form2() override;

    // ---- Controls -----------------------------------------------------------------
    QGroupBox* Frame1 = nullptr;  // "【表示領域】"
    QGroupBox* Frame2 = nullptr;  // "【アプリケーションの設定】"
    QGroupBox* Frame3 = nullptr;  // "【作業用フォルダの設定】"
    QGroupBox* Frame4 = nullptr;  // "【ブラウザ】"
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Text1 = nullptr;       // pane height in twips (digits only)
    QLineEdit* Text2 = nullptr;       // wrap count in characters (digits only)
    QLineEdit* Text3 = nullptr;       // pane width in twips (digits only)
    QLineEdit* Text4 = nullptr;       // external program path
    QLineEdit* Text5 = nullptr;       // external program name
    QLineEdit* Text6 = nullptr;       // work folder
    QLineEdit* Text7 = nullptr;       // browser command line
    QPushButton* Command1 = nullptr;  // "..." program picker
    QPushButton* Command2 = nullptr;  // "OK"
    QPushButton* Command3 = nullptr;  // "..." folder picker
    QPushButton* Command4 = nullptr;  // "更新"
    QPushButton* Command5 = nullptr;  // "..." browser picker

    // 1 while every value the last settei examined was valid, else 0.
    int Flag3 = 0;
    // 1 when the main window was in its normal state at the last settei.
    int Flag2 = 0;

    // Validates and applies the three numbers, then (all valid) writes the
    // settings file and updates the program menu item. Every field is read
    // before the main window is resized, because that resize closes this
    // dialog: what was typed is what is applied and written.
    void settei();

    // ---- Handlers ------------------------------------------------------------------------
    void Command1_Click();  // program picker
    void Command2_Click();  // "OK": save, close when the values were valid and written
    void Command3_Click();  // work folder picker
    void Command4_Click();  // "更新": save and stay open
    void Command5_Click();  // browser picker

    // The numeric fields: the text each is set back to when it becomes empty or
    // holds a rejected value.
    static QString defaultHeight() { return QStringLiteral("6255"); }
    static QString defaultWrapCount() { return QStringLiteral("100"); }
    static QString defaultWidth() { return QStringLiteral("8895"); }

    // The value of a numeric field: the digits 0-9 (spaces around them allowed),
    // saturated at 10^15; nothing for any other text (pasted with the mouse).
    static std::optional<qint64> fieldNumber(const QString& text);

private:
    void buildControls();
    // A message box ("警告" with OK, or as given) with the dialog out of the
    // always-on-top state while it is shown.
    void warn(const platform::MessageRequest& request);
    // settei's rejection of one field: message, default text, Flag3 := 0.
    void reject(QLineEdit* field, const QString& defaultText, const QString& message);
    // Open dialog with the program filter into field; a cancel keeps its text.
    void pickProgramInto(QLineEdit* field);
    // The handlers of "OK" and "更新" after settei: the dialog goes when the
    // save resized the main window (whose resize steps close this dialog).
    bool savedAndWritten() const { return Flag3 != 0 && written_; }

    bool written_ = false;      // the last settei wrote the settings file
    bool resizedMain_ = false;  // the last settei changed the main window's size
};

}  // namespace soramie
