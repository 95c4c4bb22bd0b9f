// SPDX-License-Identifier: MIT
// SettingsDialog: the settings dialog "設定". It edits the pane's height and width, the
// wrap count, the external program (path and name), the browser command line
// and the work folder. `applySettings` checks the three numbers, applies each valid one
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

class QLineEdit;
class QPushButton;

namespace soramie {

class MainWindowPort;

class SettingsDialog : public DialogWindow {
    Q_OBJECT
public:
    // Runs the dialog's load step: the main window's program command and name are
    // read again from the settings file, and the program, name, browser and work
    // folder fields are filled from the main window's variables.
    explicit SettingsDialog(MainWindowPort& main);
    ~SettingsDialog() override;

    // ---- Controls -----------------------------------------------------------------
    QLineEdit* paneHeightField = nullptr;         // pane height in twips (digits only)
    QLineEdit* wrapCountField = nullptr;          // wrap count in characters (digits only)
    QLineEdit* paneWidthField = nullptr;          // pane width in twips (digits only)
    QLineEdit* programField = nullptr;            // external program path
    QLineEdit* programNameField = nullptr;        // external program name
    QLineEdit* workFolderField = nullptr;         // work folder
    QLineEdit* browserField = nullptr;            // browser command line
    QPushButton* pickProgramButton = nullptr;     // "..." program picker
    QPushButton* okButton = nullptr;              // "OK"
    QPushButton* pickWorkFolderButton = nullptr;  // "..." folder picker
    QPushButton* applyButton = nullptr;           // "更新"
    QPushButton* pickBrowserButton = nullptr;     // "..." browser picker

    // Every value the last applySettings examined was valid.
    bool allValid = false;
    // The main window was in its normal state at the last applySettings.
    bool mainWasNormal = false;

    // Validates and applies the three numbers, then (all valid) writes the
    // settings file and updates the program menu item. Every field is read
    // before the main window is resized, because that resize closes this
    // dialog: what was typed is what is applied and written.
    void applySettings();

    // ---- Handlers ------------------------------------------------------------------------
    void pickProgram();     // program picker
    void ok();              // "OK": save, close when the values were valid and written
    void pickWorkFolder();  // work folder picker
    void apply();           // "更新": save and stay open
    void pickBrowser();     // browser picker

    // The numeric fields: the text each is set back to when it becomes empty or
    // holds a rejected value.
    static QString defaultHeight() { return QStringLiteral("6255"); }
    static QString defaultWrapCount() { return QStringLiteral("100"); }
    static QString defaultWidth() { return QStringLiteral("8895"); }
    // A pane size for its field: the twips last set while the pane still has
    // that many pixels (a value typed stays as typed), else the pixels in twips.
    static QString sizeText(Twips set, int pixels);

    // The value of a numeric field: the digits 0-9 (spaces around them allowed),
    // saturated at 10^15; nothing for any other text (pasted with the mouse).
    static std::optional<qint64> fieldNumber(const QString& text);

private:
    void buildControls();
    // A message box ("警告" with OK, or as given) with the dialog out of the
    // always-on-top state while it is shown.
    void warn(const platform::MessageRequest& request);
    // applySettings's rejection of one field: message, default text, allValid := false.
    void reject(QLineEdit* field, const QString& defaultText, const QString& message);
    // Open dialog with the program filter into field; a cancel keeps its text.
    void pickProgramInto(QLineEdit* field);
    // The handlers of "OK" and "更新" after applySettings: the dialog goes when the
    // save resized the main window (whose resize steps close this dialog).
    bool savedAndWritten() const { return allValid && written_; }

    bool written_ = false;      // the last applySettings wrote the settings file
    bool resizedMain_ = false;  // the last applySettings changed the main window's size
};

}  // namespace soramie
