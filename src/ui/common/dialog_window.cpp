// SPDX-License-Identifier: MIT
#include "ui/common/dialog_window.h"

#include "ui/common/main_window_port.h"

#include <QCloseEvent>
#include <QPointer>
#include <QScreen>

#include <algorithm>

namespace soramie {

void placeBesideMainWindow(QWidget& dialog, const QWidget& main, Twips fromTop)
{
    const QScreen* screen = main.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QRect outer = main.frameGeometry();
    // The dialog's decorations are taken to be the main window's.
    const QRect inner = main.geometry();
    const QSize frame(outer.width() - inner.width(), outer.height() - inner.height());
    const QSize size = dialog.size() + frame;
    constexpr int kGap = 4;

    const int roomRight = area.right() - outer.right();
    const int roomLeft = outer.left() - area.left();
    int x = roomRight >= roomLeft ? std::min(outer.right() + 1 + kGap, area.right() + 1 - size.width())
                                  : std::max(outer.left() - kGap - size.width(), area.left());
    int y = outer.top() + fromTop.toPixels();
    x = std::max(area.left(), std::min(x, area.right() + 1 - size.width()));
    y = std::max(area.top(), std::min(y, area.bottom() + 1 - size.height()));
    dialog.move(x, y);
}

DialogWindow::DialogWindow(MainWindowPort& main, Twips fromTop)
    : QWidget(nullptr, Qt::Dialog), main_(main), fromTop_(fromTop)
{
    // Only the main window ends the program; a dialog closed while the main
    // window is hidden in the tray must not.
    setAttribute(Qt::WA_QuitOnClose, false);
    // The dialog has no owner; it goes with the main window it belongs to.
    connect(&main_.widget(), &QObject::destroyed, this, [self = QPointer<DialogWindow>(this)] { delete self.data(); });
}

DialogWindow::~DialogWindow() = default;

DialogWindow::Handling::Handling(DialogWindow& dialog) : dialog_(dialog) { ++dialog_.handlers_; }

DialogWindow::Handling::~Handling()
{
    if (--dialog_.handlers_ == 0 && dialog_.unloaded_) dialog_.deleteLater();
}

void DialogWindow::present()
{
    if (!placed_) {
        placed_ = true;
        placeBesideMainWindow(*this, main_.widget(), fromTop_);
    }
    show();
    raise();
    activateWindow();
    setAlwaysOnTop(true);
}

void DialogWindow::unload()
{
    hide();
    if (unloaded_) return;
    unloaded_ = true;
    emit unloaded();
    if (handlers_ == 0) deleteLater();
}

QWidget* DialogWindow::boxOwner() { return unloaded_ ? &main_.widget() : this; }

void DialogWindow::setAlwaysOnTop(bool onTop)
{
    if (!unloaded_) main_.services().pickers.setAlwaysOnTop(this, onTop);
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    if (refusesClose()) {
        event->ignore();
        return;
    }
    event->accept();
    unload();
}

}  // namespace soramie
