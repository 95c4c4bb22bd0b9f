// SPDX-License-Identifier: MIT
// DialogWindow: the base of the modeless dialogs that the main window loads and
// unloads (settings, search, replace), and where dialogs open on the screen.
//
// Lifetime: a dialog is never destroyed while one of its handlers runs. A
// handler that shows a message box or a picker, or runs a local event loop,
// keeps the event loop turning, and the main window may unload the dialog
// meanwhile (every resize of the main window does). Unloading then hides the
// dialog at once and destroys it only when the outermost handler has returned,
// so no handler ever returns into a destroyed window and no box loses its owner
// while it is open. Every handler of a derived dialog begins with
//     const Handling handling(*this);
//
// A DialogWindow is a top-level window without owner; it goes with the main
// window when that is destroyed. GUI thread only.
#pragma once

#include "ui/common/twips.h"

#include <QWidget>

namespace soramie {

class MainWindowPort;

// Moves the top-level window `dialog` (not yet shown) beside the main window:
// on the side with more free room on the screen, as far out as the screen
// allows, its top `fromTop` below the main window's top.
void placeBesideMainWindow(QWidget& dialog, const QWidget& main, Twips fromTop);

class DialogWindow : public QWidget {
    Q_OBJECT
public:
    // fromTop: where the dialog's top goes, below the main window's top, the
    // first time it is shown.
    DialogWindow(MainWindowPort& main, Twips fromTop);
    ~DialogWindow() override;

    // Shows the dialog (beside the main window the first time), brings it to the
    // front and keeps it on top.
    void present();
    // Hides the dialog and destroys it: at once when none of its handlers runs,
    // else when the outermost one has returned. Emits unloaded() the first time.
    // The close box does the same.
    void unload();
    // True once unloaded: the dialog is hidden for good, makes no more
    // always-on-top changes (they would show it again) and its boxes are owned
    // by the main window.
    [[nodiscard]] bool isUnloaded() const { return unloaded_; }

signals:
    // The dialog is no longer loaded (it is destroyed when no handler runs).
    void unloaded();

protected:
    // Marks a handler of this dialog as running for its lifetime.
    class Handling {
    public:
        explicit Handling(DialogWindow& dialog);
        ~Handling();
        Handling(const Handling&) = delete;
        Handling& operator=(const Handling&) = delete;

    private:
        DialogWindow& dialog_;
    };

    // The window this dialog's boxes and pickers belong to: the dialog, or the
    // main window once the dialog is unloaded (a hidden owner hides its box).
    [[nodiscard]] QWidget* boxOwner();
    // Puts this dialog into (or out of) the always-on-top state; nothing once
    // it is unloaded.
    void setAlwaysOnTop(bool onTop);
    // A close request (close box, close()) that the dialog refuses: false by
    // default.
    [[nodiscard]] virtual bool refusesClose() const { return false; }

    void closeEvent(QCloseEvent* event) override;

    MainWindowPort& main_;

private:
    int handlers_ = 0;
    bool unloaded_ = false;
    bool placed_ = false;
    Twips fromTop_;
};

}  // namespace soramie
