// SPDX-License-Identifier: MIT
// Form1: the main window. It holds the file browser (drive, folder and file
// lists, filter, refresh), the text pane Text1, the picture buttons, the status
// bar, the menus and the public variables the dialogs share.
//
// Controls, menu items and variables carry the names the whole program uses for
// them. The dialogs reach the main window only through MainWindowPort, which
// Form1 implements; the shared variables are its ViewerState. Every handler
// runs on the GUI thread. Platform facilities (message boxes, popup menus,
// pickers, program start, single instance, drives, tray) come through the
// Services bundle, never directly, so tests script them.
//
// The implementation is split by concern:
//   form1.cpp          construction, layout, start-up (Form_Load)
//   form1_lists.cpp    drive/folder/file lists, filter, count, refresh, Text6
//   form1_display.cpp  DisplayFile, the display button, file-list presses, wrap
//   form1_open.cpp     the open command
//   form1_files.cpp    save, save as, delete, HTML export, program launches
//   form1_window.cpp   tray, resize, quick mode, clear, exit and unload; the
//                      settings and about dialogs
//   form1_search.cpp   the search and replace dialogs, the search-hit display
#pragma once

#include "core/file_io.h"
#include "platform/services.h"
#include "ui/common/dialog_window.h"
#include "ui/common/main_window_port.h"
#include "ui/common/viewer_state.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QPushButton;

namespace soramie {

class Document;
class DriveList;
class FolderList;
class FileList;
class TextPane;
enum class CommandOutcome;
class Form3;
class Form4;
class Form2;
class frmAbout;

// The status bar with four numbered panels (1..4).
class StatusBar4;

// "1.234" for 1234 bytes: bytes / 1000 with the fraction digits it needs.
QString kilobytesText(std::uint64_t bytes);

class Form1 : public QMainWindow, public ViewerState, public MainWindowPort {
    Q_OBJECT
public:
    explicit Form1(platform::Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: reads the settings, refuses a second instance, moves the file
    // browser to the start folder. Returns false when the program must end at
    // once (another instance runs); the window is then never shown.
    bool Form_Load();

    // ---- Controls ----------------------------------------------------------------
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* Command8 = nullptr;  // "更新"
    FileList* File1 = nullptr;
    QToolButton* Command1 = nullptr;   // display; hidden while quick mode is on
    QToolButton* Command6 = nullptr;   // clear display
    QToolButton* Command12 = nullptr;  // "折返し"
    TextPane* Text1 = nullptr;
    QLineEdit* Text6 = nullptr;  // hidden wrap count
    StatusBar4* StatusBar1 = nullptr;

    // Text of status bar panel n (1..4).
    [[nodiscard]] QString panel(int n) const;

    // ---- Menus -----------------------------------------------------------------------
    QMenu* appFile = nullptr;
    QAction* appOpen = nullptr;
    QAction* appLine = nullptr;
    QAction* appWrite = nullptr;
    QAction* appNWrite = nullptr;
    QAction* appLine2 = nullptr;
    QAction* appHt = nullptr;
    QAction* appLine4 = nullptr;
    QAction* appExit = nullptr;
    QMenu* appHen = nullptr;
    QAction* appDel = nullptr;
    QAction* appLine3 = nullptr;
    QAction* appSe = nullptr;
    QMenu* appS = nullptr;
    QAction* appSword = nullptr;
    QAction* appOki = nullptr;
    QAction* mnuMode = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuVer = nullptr;
    QMenu* mnuMemo = nullptr;  // popup of the file list and the search results; not in the menu bar
    QAction* mnuMemo1 = nullptr;
    QAction* mnuApp = nullptr;
    QAction* mnuline1 = nullptr;
    QAction* mnudel = nullptr;
    QMenu* mnuTray = nullptr;  // popup of the tray icon; not in the menu bar
    QAction* mnuAbout = nullptr;
    QAction* mnuline = nullptr;
    QAction* mnuEnd = nullptr;

    // Wrap width in CP932 bytes (always >= 1).
    std::int32_t wrapWidth() const { return wrapWidth_; }

    // The desktop's opener that stands for Notepad in memonameM.
    static QString notepadCommand();
    // "SORAMIE ver.0.097a"
    static QString versionText();

    // ---- Handlers (named control_event) -----------------------------------------------------
    // Display (form1_display.cpp)
    void DisplayFile(const QString& path);
    void Command1_Click();
    void File1_MouseDown(Qt::MouseButton button, QPoint globalPos);
    void Command12_Click();
    // Says "メモリが足りません" when a pane command ran out of memory.
    void reportCommand(CommandOutcome outcome);
    // The display button with Flag 2: shows the hit selected in the search
    // dialog's result list (form1_search.cpp).
    void showSearchHit();
    // Lists (form1_lists.cpp)
    void Drive1_Change();
    void Dir1_Change();
    void Combo1_Click();
    void Command8_Click();
    void Text6_Change();
    // Number of files of folder matching pattern (hidden files excluded).
    [[nodiscard]] int countFiles(const QString& folder, const QString& pattern) const;
    // Open (form1_open.cpp)
    void appOpen_Click();
    // The open command's steps after its dialog: shows path in the pane and moves
    // the three lists to folder. A file that cannot be read is reported and
    // changes nothing (false).
    bool showOpenedFile(const QString& path, const QString& folder);
    // Files from outside (form1_external.cpp): a file named on the command line,
    // handed over by a second start, or dropped onto the pane. Shown like the open
    // command; the process's current folder becomes the file's folder, so the next
    // open dialog starts there. A path that is not a readable file is reported
    // ("このファイルは開けません") and changes nothing (false).
    bool showFileFromOutside(const QString& path);
    // Brings the window to the front, out of the minimised or tray state.
    void bringToFront();
    // A file handed over by a second start: brought to the front and shown as
    // soon as the window can take a command, not while it is disabled (a keyword
    // search runs), a command runs or a modal box is open; until then it is
    // tried again every 200 ms.
    void showHandedOverFile(const QString& path);
    // Files (form1_files.cpp)
    void appWrite_Click();
    // 上書き保存's steps; true when the pane's bytes were written.
    bool saveShown();
    void appNWrite_Click();
    void appHt_Click();
    void appDel_Click();
    void mnudel_Click();
    void mnuMemo1_Click();
    void mnuApp_Click();
    // Deletes, after asking, the file "ファイル削除" aims at: with Flag 0 the file
    // list's selection, otherwise the search dialog's selected hit. (The popup's
    // "削除", mnudel_Click, deletes the file its popup was opened for.)
    void Del();
    // Window (form1_window.cpp)
    void appExit_Click();
    void mnuMode_Click();
    void Command6_Click();
    void mnuAbout_Click();
    void mnuEnd_Click();
    void appSe_Click();
    void mnuVer_Click();
    // Quick mode on <-> off after asking; on while Command1 is hidden.
    void mode();
    // A left press on the tray icon or "元に戻す": normal state, visible.
    void restoreFromTray();
    // Closes the settings and search dialogs; then, when the window is
    // minimised and the desktop has a tray, adds the icon (once) and hides the
    // window. Runs on every resize and window-state change.
    void Form_Resize();
    // Removes the tray icon and unloads all four dialogs.
    void Form_Unload();
    // Ends the program: the event loop is left; in tests (no loop) nothing more.
    void endProgram();

    // The settings dialog Form2 and the about dialog frmAbout: top-level
    // windows without owner, null while not loaded. load* creates the dialog
    // (its load step runs) when it is not loaded; unload* closes and destroys it.
    QPointer<Form2> form2;
    QPointer<frmAbout> aboutForm;
    Form2& loadForm2();
    frmAbout& loadFrmAbout();
    void unloadForm2();
    void unloadFrmAbout();

    // Search and replace (form1_search.cpp)
    void appSword_Click();
    void appOki_Click();
    // Shows the folder the search covers in the search dialog's status bar.
    void showSearchFolder(const QString& folder);

    // The search dialog Form3 and the replace dialog Form4 (form1_search.cpp):
    // top-level windows without owner, null while not loaded. load* creates the
    // dialog hidden when it is not loaded and returns it; unload* destroys it
    // (its results, keyword and boxes are lost) and is safe to call at any time,
    // also while a search runs (the dialog then goes away once the search ends).
    QPointer<Form3> form3;
    QPointer<Form4> form4;
    Form3& loadForm3();
    Form4& loadForm4();
    void unloadForm3();
    void unloadForm4();
    // "このファイルは開けません" / "エラー" with an OK button.
    void showCannotOpen();

    // ---- MainWindowPort --------------------------------------------------------------------
    ViewerState& state() override { return *this; }
    platform::Services& services() override { return services_; }
    QWidget& widget() override { return *this; }
    TextPane& pane() override { return *Text1; }
    QString currentFolder() const override;
    void refreshFileList() override;
    void setPanel(int n, const QString& text) override;
    void setCaption(const QString& name) override;
    bool quickMode() const override;
    void setDisplayButtonEnabled(bool enabled) override;
    void enableDisplay() override;
    bool selectKeyword(const QString& keyword) override;
    bool mayDropEdits() override;
    void showFilePopup(const QString& path, QPoint globalPos) override;
    void setProgramItem(const QString& program, const QString& name) override;
    void setWrapCount(const QString& count) override;
    // The client area of 11295 x 7110 twips is 11385 x 7770.
    TwipsSize windowSize() const override;
    void setWindowSize(TwipsSize size) override;
    QList<QWidget*> commandWindows() override;

    // The files this window wrote from the pane's history that began with
    // `history`, as it left them: a later save of that history (the same
    // document, or one edited since) over one of them asks only when the file
    // changed since.
    struct Writes {
        std::weak_ptr<const Document> history;
        QHash<QString, FileStamp> stamps;
    } writes;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildMenus();
    void connectHandlers();
    // A dialog unloaded by its close box or "OK" is no longer loaded, even
    // before it is destroyed: slot is cleared. Returns dialog.
    template <class Dialog>
    Dialog* track(Dialog* dialog, QPointer<Dialog>& slot)
    {
        connect(dialog, &DialogWindow::unloaded, this, [&slot, dialog] {
            if (slot == dialog) slot.clear();
        });
        return dialog;
    }
    // Lets the pane take a file dropped from a file manager (form1_external.cpp).
    void acceptFileDrops();
    // Moves the three lists to folder (its drive's current folder becomes folder).
    bool enterStartFolder(const QString& folder);
    // Tells the user that folder cannot be entered; the lists stay where they are.
    void reportFolderFailure(const QString& folder);

    platform::Services services_;
    std::int32_t wrapWidth_ = 100;
};

}  // namespace soramie
