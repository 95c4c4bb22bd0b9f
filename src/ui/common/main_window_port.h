// SPDX-License-Identifier: MIT
// What the dialogs and the main window's command helpers may do with the main
// window. The main window implements this port; the dialogs hold a reference
// to it and never see the main window's own class, so the dialog library does
// not depend on the main window's. Every call happens on the GUI thread.
#pragma once

#include "platform/services.h"
#include "ui/common/command.h"
#include "ui/common/twips.h"
#include "ui/common/viewer_state.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

namespace soramie {

class Document;
class TextPane;
using DocumentPtr = std::shared_ptr<const Document>;

// Who shows a search hit; the rest of the display is the same for both.
enum class HitPress : std::uint8_t {
    // 表示: the keyword is selected (a keyword that no longer occurs is
    // reported once) and panel 2 names the file.
    DisplayButton,
    // A press on the result list in quick mode: the keyword is selected only
    // when the file shown before came from the list too, silently; the size
    // text is indented by eight spaces; panel 2 is the dialog's to write.
    QuickPress,
};

class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;

    virtual platform::Services& services() = 0;
    // The main window as a widget: owner of message boxes, its window state,
    // enabled state and size, destroyed() when it goes.
    virtual QWidget& widget() = 0;
    // The text pane.
    virtual TextPane& pane() = 0;
    // The settings the settings dialog edits and the popup reads; the main
    // window keeps them for the rest of its life.
    virtual UserSettings& userSettings() = 0;
    // The folder the folder list shows (the folder a search covers).
    [[nodiscard]] virtual QString currentFolder() const = 0;
    // Re-reads the file list; its selection is cleared.
    virtual void refreshFileList() = 0;
    // Status bar panel n (1..4).
    virtual void setPanel(int n, const QString& text) = 0;
    // The caption "SORAMIE - name -".
    virtual void setCaption(const QString& name) = 0;

    // Quick mode: on while the display button 表示 is hidden.
    [[nodiscard]] virtual bool quickMode() const = 0;
    virtual void setDisplayButtonEnabled(bool enabled) = 0;
    // What the display button shows next.
    virtual void setShownFrom(ShownFrom from) = 0;
    [[nodiscard]] virtual ShownFrom shownFrom() const = 0;
    // Enables the pane and the clear button, as every display does first.
    virtual void enableDisplay() = 0;
    // The file whose bytes the pane holds; empty when none.
    [[nodiscard]] virtual QString shownPath() const = 0;
    // Shows doc (read from path) in the pane: the pane now holds path's bytes.
    virtual void showDocument(const DocumentPtr& doc, const QString& path) = 0;
    // Empties the pane; it holds no file's bytes any more.
    virtual void forgetShownFile() = 0;
    // Shows the search hit at path with keyword, for the display button or a
    // press on the result list in quick mode (see HitPress): after
    // mayDropEdits, enables the pane, reads the file into it (each step that
    // fails says "このファイルは開けません" once, leaving the pane empty), writes
    // the size to panel 3 and puts keyword into the caption. An empty path only
    // empties the pane.
    virtual void showSearchHitFile(const QString& path, const QString& keyword, HitPress press) = 0;
    // Before a command replaces or drops the pane's text: true to go on. When
    // the pane holds edits the user typed and did not save, asks
    // "変更を保存しますか？" (はい/いいえ/キャンセル); はい saves as 上書き保存 does and
    // goes on only when the file was written, いいえ goes on, キャンセル stops.
    [[nodiscard]] virtual bool mayDropEdits() = 0;
    // Selects the first occurrence of keyword in the pane and gives the pane
    // the focus; false (nothing selected) when it does not occur.
    [[nodiscard]] virtual bool selectKeyword(const QString& keyword) = 0;
    // Says "メモリが足りません" when a command ran out of memory.
    virtual void reportCommand(CommandOutcome outcome) = 0;

    // The file popup for the file at path, at the global position: the popup's
    // file is set first (an empty program command hides the program item).
    // Returns once the menu is closed and the chosen command has run.
    virtual void showFilePopup(const QString& path, QPoint globalPos) = 0;
    // The program item of the file popup: shown while program is set,
    // captioned with name + "で開く" or "(設定されていません)".
    virtual void setProgramItem(const QString& program, const QString& name) = 0;
    // The wrap count in characters; the wrap width becomes twice that many
    // bytes (a count whose width is not 1 .. 2^31-1 keeps the previous width).
    virtual void setWrapCount(qint64 count) = 0;
    // How the replace dialog rewrites the pane.
    [[nodiscard]] virtual ReplaceMode replaceMode() const = 0;
    virtual void setReplaceMode(ReplaceMode mode) = 0;

    // The search dialog's selected hit; empty when the dialog is not loaded or
    // nothing is selected there.
    [[nodiscard]] virtual QString selectedSearchHit() const = 0;
    // Removes the search dialog's selected entry when it names path.
    virtual void removeSearchHit(const QString& path) = 0;

    // The window's size: client area plus a fixed frame of 90 x 660 twips.
    [[nodiscard]] virtual TwipsSize windowSize() const = 0;
    // Resizes the window (and so raises its resize steps when the size changes).
    virtual void setWindowSize(TwipsSize size) = 0;

    // The windows a keyword search disables besides its own dialog: the main
    // window and the settings and replace dialogs that are loaded.
    [[nodiscard]] virtual QList<QWidget*> commandWindows() = 0;
};

}  // namespace soramie
