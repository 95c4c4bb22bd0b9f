// SPDX-License-Identifier: MIT
// MainWindow: the main window. It holds the file browser (drive, folder and
// file lists, filter, refresh), the text pane, the picture buttons, the status
// bar and the menus, and keeps them and its state to itself.
//
// The dialogs and the command helpers reach the main window only through
// MainWindowPort, which it implements. Every handler runs on the GUI thread.
// Platform facilities (message boxes, popup menus, pickers, program start,
// single instance, drives, tray) come through the Services bundle, never
// directly, so tests script them.
//
// The implementation is split by concern:
//   main_window.cpp                construction, layout, start-up, the port
//   main_window_lists.cpp          drive/folder/file lists, filter, count, refresh, wrap count
//   main_window_display.cpp        showFile, the display button, file-list presses, wrap
//   main_window_open.cpp           the open command
//   main_window_file_commands.cpp  save, save as, delete, HTML export, program launches
//   main_window_frame.cpp          tray, resize, quick mode, clear, exit and unload; the
//                                  settings and about dialogs
//   main_window_search.cpp         the search and replace dialogs, the search-hit display
//   main_window_external.cpp       files from the command line, a second start or a drop
#pragma once

#include "core/file_io.h"
#include "platform/services.h"
#include "ui/common/dialog_window.h"
#include "ui/common/main_window_port.h"
#include "ui/common/viewer_state.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>

class QAction;
class QComboBox;
class QMenu;
class QToolButton;
class QPushButton;

namespace soramie {

class Document;
class DriveList;
class FolderList;
class FileList;
class TextPane;
class FindBar;
class SearchDialog;
class ReplaceDialog;
class SettingsDialog;
class AboutDialog;
class StatusPanels;
struct FollowState;

namespace testing {
struct MainWindowProbe;
}

// The controls and menu items of the main window; the window owns them (as
// their Qt parent).
struct MainWindowControls {
    DriveList* driveList = nullptr;
    FolderList* folderList = nullptr;
    QComboBox* filterCombo = nullptr;
    QPushButton* refreshButton = nullptr;  // "更新"
    FileList* fileList = nullptr;
    QToolButton* showButton = nullptr;   // "表示"; hidden while quick mode is on
    QToolButton* clearButton = nullptr;  // "表示クリア"
    QToolButton* wrapButton = nullptr;   // "折返し"
    TextPane* pane = nullptr;
    FindBar* findBar = nullptr;  // under the pane while shown
    StatusPanels* statusBar = nullptr;

    QMenu* fileMenu = nullptr;
    QAction* openAction = nullptr;
    QAction* saveAction = nullptr;
    QAction* saveAsAction = nullptr;
    QAction* exportHtmlAction = nullptr;
    QAction* quitAction = nullptr;
    QMenu* editMenu = nullptr;
    QAction* deleteFileAction = nullptr;
    QAction* settingsAction = nullptr;
    QMenu* searchMenu = nullptr;
    QAction* keywordSearchAction = nullptr;
    QAction* replaceAction = nullptr;
    QAction* findNextAction = nullptr;      // "次を検索" (F3)
    QAction* findPreviousAction = nullptr;  // "前を検索" (Shift+F3)
    QAction* quickModeAction = nullptr;
    QAction* followAction = nullptr;  // "末尾を追跡", checkable
    QMenu* helpMenu = nullptr;
    QAction* aboutAction = nullptr;
    // Popup of the file list and the search results; not in the menu bar.
    QMenu* filePopup = nullptr;
    QAction* openInEditorAction = nullptr;
    QAction* openInProgramAction = nullptr;
    QAction* popupDeleteAction = nullptr;
    // Popup of the tray icon; not in the menu bar.
    QMenu* trayMenu = nullptr;
    QAction* restoreAction = nullptr;
    QAction* trayQuitAction = nullptr;
};

// The dialogs the main window loads: top-level windows without owner, null
// while not loaded.
struct LoadedDialogs {
    QPointer<SettingsDialog> settings;
    QPointer<SearchDialog> search;
    QPointer<ReplaceDialog> replace;
    QPointer<AboutDialog> about;
};

// The files this window wrote from the pane's history that began with
// `history`, as it left them: a later save of that history (the same document,
// or one edited since) over one of them asks only when the file changed since.
struct WrittenFiles {
    std::weak_ptr<const Document> history;
    QHash<QString, FileStamp> stamps;
};

class MainWindow : public QMainWindow, public MainWindowPort {
    Q_OBJECT
public:
    explicit MainWindow(platform::Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: reads the settings, refuses a second instance, moves the file
    // browser to the start folder. Returns false when the program must end at
    // once (another instance runs); the window is then never shown.
    bool start();

    // Text of status bar panel n (1..4).
    [[nodiscard]] QString panel(int n) const;
    // The status bar's note on the shown file's reading (progress, done, shrunk,
    // read error, re-read after a change on disk); beside the four panels.
    [[nodiscard]] QString loadStatus() const;

    // Wrap width in CP932 bytes (always >= 1).
    std::int32_t wrapLimit() const { return wrapLimit_; }

    // The desktop's opener that stands for Notepad.
    static QString notepadCommand();

    // ---- Commands ------------------------------------------------------------------------
    // Display (main_window_display.cpp)
    // Shows the file at path in the pane; a file that cannot be read is reported
    // and leaves the pane empty.
    void showFile(const QString& path);
    // showFile's reading: the pane holds path's bytes, or is empty with each
    // failed step reported. Returns the file's length in decimal digits, empty
    // when it could not be measured.
    QString readIntoPane(const QString& path);
    // The display button: the file list's selection, or the search hit.
    void showSelectedFile();
    void onFileListPressed(Qt::MouseButton button, QPoint globalPos);
    void wrapPane();
    // The pane's reports: reading progress, its file changed on disk, a copy
    // refused or out of memory (main_window_display.cpp).
    void onIndexProgress(std::uint64_t indexed, std::uint64_t total);
    void onFileChangedOnDisk();
    // The display button for a search hit: shows the hit selected in the search
    // dialog's result list (main_window_search.cpp).
    void showSearchHit();
    // Lists (main_window_lists.cpp)
    void onDriveChanged();
    void onFolderChanged();
    void onFilterChosen();
    void refreshLists();
    // Number of files of folder matching pattern (hidden files excluded).
    [[nodiscard]] int countFiles(const QString& folder, const QString& pattern) const;
    // Open (main_window_open.cpp)
    void openFile();
    // The open command's steps after its dialog: shows path in the pane and moves
    // the three lists to folder. A file that cannot be read is reported and
    // changes nothing (false).
    bool showOpenedFile(const QString& path, const QString& folder);
    // Files from outside (main_window_external.cpp): a file named on the command
    // line, handed over by a second start, or dropped onto the pane. Shown like
    // the open command; the process's current folder becomes the file's folder,
    // so the next open dialog starts there. A path that is not a readable file
    // is reported ("このファイルは開けません") and changes nothing (false).
    bool showFileFromOutside(const QString& path);
    // Brings the window to the front, out of the minimised or tray state.
    void bringToFront();
    // A file handed over by a second start: brought to the front and shown as
    // soon as the window can take a command, not while it is disabled (a keyword
    // search runs), a command runs or a modal box is open; until then it is
    // tried again every 200 ms.
    void showHandedOverFile(const QString& path);
    // Files (main_window_file_commands.cpp)
    void save();
    // 上書き保存's steps; true when the pane's bytes were written.
    bool saveShown();
    void saveAs();
    // After the shown file was written: panel 3 gives its new length, in the
    // unit and with the indent the panel had.
    void showWrittenSize();
    void exportHtml();
    // Deletes, after asking, the file "ファイル削除" aims at: the file list's
    // selection, or the search dialog's selected hit when the display button
    // shows search hits. (The popup's "削除", deletePopupFile, deletes the file
    // its popup was opened for.)
    void deleteTargetFile();
    // The popup's "削除": the file the popup was opened for, from the file list
    // or from the search results alike.
    void deletePopupFile();
    void openPopupFileInEditor();
    void openPopupFileInProgram();
    // Window (main_window_frame.cpp)
    // "終了": after the unsaved-edits question, unloads everything and ends the program.
    void quit();
    // The tray menu's "終了": closes the window (as its close box does).
    void quitFromTray();
    // Quick mode on <-> off after asking; on while the display button is hidden.
    void toggleQuickMode();
    void clearPane();
    // A left press on the tray icon or "元に戻す": normal state, visible.
    void restoreFromTray();
    void showSettings();
    void showAbout();
    // Closes the settings and search dialogs; then, when the window is
    // minimised and the desktop has a tray, adds the icon (once) and hides the
    // window. Runs on every resize and window-state change.
    void onWindowStateChanged();
    // Removes the tray icon and unloads all four dialogs.
    void shutDown();
    // Ends the program: the event loop is left; in tests (no loop) nothing more.
    void endProgram();

    // load* creates the dialog when it is not loaded (the settings and about
    // dialogs run their load step; the search and replace dialogs are created
    // hidden) and returns it; unload* closes and destroys it (its contents are
    // lost) and is safe to call at any time, also while a search runs (the
    // dialog then goes away once the search ends).
    SettingsDialog& loadSettingsDialog();
    AboutDialog& loadAboutDialog();
    SearchDialog& loadSearchDialog();
    ReplaceDialog& loadReplaceDialog();
    void unloadSettingsDialog();
    void unloadAboutDialog();
    void unloadSearchDialog();
    void unloadReplaceDialog();

    // Search and replace (main_window_search.cpp)
    void showSearchDialog();
    void showReplaceDialog();
    // Shows the folder the search covers in the search dialog's status bar.
    void showSearchFolder(const QString& folder);
    // "このファイルは開けません" / "エラー" with an OK button.
    void showCannotOpen();

    // Following the shown file (follow.cpp). Appended bytes join the pane's
    // document as they arrive (edits kept); a file replaced or cut under the
    // name is shown afresh when the pane holds no edits, else the user is told
    // once and the pane keeps its text.
    // "末尾を追跡" on or off: while on and the view is at the end, the view
    // keeps the last line in sight; scrolling up pauses that until the view is
    // at the end again (Ctrl+End). Off at start and not stored.
    void setFollowing(bool on);
    [[nodiscard]] bool following() const;
    // Watches the shown path (nothing when none); called whenever it changes.
    void followShownFile();
    // Looks at the shown file now and takes in what changed.
    void takeInFileChanges();

    // ---- MainWindowPort --------------------------------------------------------------------
    platform::Services& services() override { return services_; }
    QWidget& widget() override { return *this; }
    TextPane& pane() override { return *ui_.pane; }
    UserSettings& userSettings() override { return state_.settings; }
    QString currentFolder() const override;
    void refreshFileList() override;
    void setPanel(int n, const QString& text) override;
    void setCaption(const QString& name) override;
    bool quickMode() const override;
    void setDisplayButtonEnabled(bool enabled) override;
    void setShownFrom(ShownFrom from) override { state_.shownFrom = from; }
    ShownFrom shownFrom() const override { return state_.shownFrom; }
    void enableDisplay() override;
    QString shownPath() const override { return state_.shownPath; }
    void showDocument(const DocumentPtr& doc, const QString& path) override;
    void forgetShownFile() override;
    void showSearchHitFile(const QString& path, const QString& keyword, HitPress press) override;
    bool selectKeyword(const QString& keyword) override;
    bool mayDropEdits() override;
    void reportCommand(CommandOutcome outcome) override;
    void showFilePopup(const QString& path, QPoint globalPos) override;
    void setProgramItem(const QString& program, const QString& name) override;
    void setWrapCount(qint64 count) override;
    ReplaceMode replaceMode() const override { return state_.replaceMode; }
    void setReplaceMode(ReplaceMode mode) override { state_.replaceMode = mode; }
    QString selectedSearchHit() const override;
    void removeSearchHit(const QString& path) override;
    // The client area of 11295 x 7110 twips is 11385 x 7770.
    TwipsSize windowSize() const override;
    void setWindowSize(TwipsSize size) override;
    QList<QWidget*> commandWindows() override;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Ctrl+Tab and Ctrl+Shift+Tab in the pane move the focus out of it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Tests reach the controls, the state and the dialogs through this probe
    // (tests/ui/support/main_window_harness.h) and nothing else does.
    friend struct testing::MainWindowProbe;

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
    // The load and unload steps of the settings, search and replace dialogs.
    template <class Dialog>
    Dialog& loadInto(QPointer<Dialog>& slot)
    {
        if (!slot) slot = track(new Dialog(*this), slot);
        return *slot;
    }
    template <class Dialog>
    static void unloadFrom(QPointer<Dialog>& slot)
    {
        if (Dialog* dialog = slot.data()) {
            slot.clear();
            dialog->unload();
        }
    }
    void connectPane();
    void setLoadStatus(const QString& text);
    // Lets the pane take a file dropped from a file manager (main_window_external.cpp).
    void acceptFileDrops();
    // Moves the three lists to folder (its drive's current folder becomes folder).
    bool enterStartFolder(const QString& folder);
    // Tells the user that folder cannot be entered; the lists stay where they are.
    void reportFolderFailure(const QString& folder);
    // The pane takes its area less the find bar's height, the bar the rest below it.
    void layOutPaneArea();
    // Following (follow.cpp).
    void setUpFollowing();
    void onShownFileChanged();
    void showPaneEnd();
    void showFollowState();
    // The shown file was replaced or cut: shown afresh, or (edited) notice said once.
    void startOver(bool edited, const QString& notice);

    platform::Services services_;
    MainWindowControls ui_;
    ViewerState state_;
    LoadedDialogs dialogs_;
    WrittenFiles written_;
    // The document last read afresh because the file changed under it.
    std::weak_ptr<const Document> readAfresh_;
    std::unique_ptr<FollowState> follow_;
    // The wrap count in characters as last set (shown by the settings dialog),
    // and the wrap width it gave.
    qint64 wrapCount_ = 100;
    std::int32_t wrapLimit_ = 100;
    QRect paneArea_;  // the pane's place when the find bar is hidden
};

}  // namespace soramie
