// SPDX-License-Identifier: MIT
// What the dialogs may do with the main window. The main window implements
// this port; the dialogs hold a reference to it and never see the main window's
// own class, so the dialog library does not depend on the main window's.
// Every call happens on the GUI thread.
#pragma once

#include "platform/services.h"
#include "ui/common/twips.h"
#include "ui/common/viewer_state.h"

#include <QList>
#include <QPoint>
#include <QString>

class QWidget;

namespace soramie {

class TextPane;

class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;

    // The shared variables (Flag, flagb, pro, memoname, ...).
    virtual ViewerState& state() = 0;
    virtual platform::Services& services() = 0;
    // The main window as a widget: owner of message boxes, its window state,
    // enabled state and size, destroyed() when it goes.
    virtual QWidget& widget() = 0;
    // The text pane Text1.
    virtual TextPane& pane() = 0;
    // The folder the folder list shows (the folder a search covers).
    [[nodiscard]] virtual QString currentFolder() const = 0;
    // Re-reads the file list; its selection is cleared.
    virtual void refreshFileList() = 0;
    // Status bar panel n (1..4).
    virtual void setPanel(int n, const QString& text) = 0;
    // The caption "SORAMIE - name -".
    virtual void setCaption(const QString& name) = 0;

    // Quick mode: on while the display button 表示 (Command1) is hidden.
    [[nodiscard]] virtual bool quickMode() const = 0;
    virtual void setDisplayButtonEnabled(bool enabled) = 0;
    // Enables the pane and the clear button, as every display does first.
    virtual void enableDisplay() = 0;
    // Before a command replaces or drops the pane's text: true to go on. When
    // the pane holds edits the user typed and did not save, asks
    // "変更を保存しますか？" (はい/いいえ/キャンセル); はい saves as 上書き保存 does and
    // goes on only when the file was written, いいえ goes on, キャンセル stops.
    [[nodiscard]] virtual bool mayDropEdits() = 0;
    // Selects the first occurrence of keyword in the pane and gives the pane
    // the focus; false (nothing selected) when it does not occur.
    [[nodiscard]] virtual bool selectKeyword(const QString& keyword) = 0;

    // The file popup mnuMemo for the file at path, at the global position: the
    // command lines memonameM and memoname and memoFile are set first (an
    // empty `pro` hides the program item). Returns once the menu is closed and
    // the chosen command has run.
    virtual void showFilePopup(const QString& path, QPoint globalPos) = 0;
    // The program item of mnuMemo: shown while program is set, captioned with
    // name + "で開く" or "(設定されていません)".
    virtual void setProgramItem(const QString& program, const QString& name) = 0;
    // The hidden wrap-count field Text6 (its change sets the wrap width).
    virtual void setWrapCount(const QString& count) = 0;

    // The window's size: client area plus a fixed frame of 90 x 660 twips.
    [[nodiscard]] virtual TwipsSize windowSize() const = 0;
    // Resizes the window (and so raises its resize steps when the size changes).
    virtual void setWindowSize(TwipsSize size) = 0;

    // The windows a keyword search disables besides its own dialog: the main
    // window and the settings and replace dialogs that are loaded.
    [[nodiscard]] virtual QList<QWidget*> commandWindows() = 0;
};

}  // namespace soramie
