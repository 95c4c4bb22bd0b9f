// SPDX-License-Identifier: MIT
// Manual test of the text pane: pane_demo FILE [--grab OUT.png] [--select START LENGTH]
// Shows FILE in a TextPane. With --grab the window is painted once into OUT.png
// and the program ends (useful under QT_QPA_PLATFORM=offscreen or Xvfb).
#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "ui/pane/text_pane.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [--grab OUT.png] [--select START LENGTH]\n", argv[0]);
        return 2;
    }
    const char* grab = nullptr;
    qint64 selStart = -1;
    qint64 selLength = 0;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--grab") == 0 && i + 1 < argc) grab = argv[++i];
        else if (std::strcmp(argv[i], "--select") == 0 && i + 2 < argc) {
            selStart = std::atoll(argv[++i]);
            selLength = std::atoll(argv[++i]);
        }
    }
    auto doc = soramie::Document::fromFile(argv[1]);
    if (!doc) {
        std::fprintf(stderr, "%s: %s failed: %s\n", doc.error().path.c_str(),
                     std::string(soramie::describe(doc.error().step)).c_str(), std::strerror(doc.error().errnoValue));
        return 1;
    }
    QMainWindow window;
    auto* pane = new soramie::TextPane(&window);
    window.setCentralWidget(pane);
    window.resize(900, 600);
    pane->setDocument(*doc);
    auto showStatus = [&] {
        window.statusBar()->showMessage(QStringLiteral("%1 bytes, %2 lines%3, selection %4+%5")
                                            .arg(pane->sizeInBytes())
                                            .arg((*doc)->lineCount().value)
                                            .arg((*doc)->indexed() ? QString() : QStringLiteral(" so far"))
                                            .arg(pane->selectionStart())
                                            .arg(pane->selectionLength()));
    };
    QObject::connect(pane, &soramie::TextPane::selectionChanged, showStatus);
    QTimer status;
    QObject::connect(&status, &QTimer::timeout, showStatus);
    status.start(200);
    window.show();
    pane->setFocus();
    if (selStart >= 0) pane->setSelection(selStart, selLength);
    showStatus();
    if (grab) {
        QTimer::singleShot(0, [&] {
            window.grab().save(QString::fromLocal8Bit(grab));
            app.quit();
        });
    }
    return app.exec();
}
