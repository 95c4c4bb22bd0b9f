// SPDX-License-Identifier: MIT
// The viewer: builds the real platform services and the main window.
#include "platform/qt_services.h"
#include "ui/main/form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SORAMIE"));
    soramie::platform::QtServices platform;
    soramie::Form1 window(platform.services());
    if (!window.Form_Load()) return 0;
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return QApplication::exec();
}
