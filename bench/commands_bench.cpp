// SPDX-License-Identifier: MIT
// The pane commands on a large file, through the real windows (offscreen
// platform, scripted boxes that answer Yes), from the click to the repainted
// pane; one command per process so that the memory figure is that command's:
//   commands_bench wrap FILE     折返し at 100 bytes
//   commands_bench range FILE    range replacement of "[" ... "]" by "-"
//   commands_bench copy FILE     Ctrl+A, then Ctrl+C
//   commands_bench html FILE     HTML export of FILE (written as FILE.html)
// FILE is shown first and fully indexed. Prints "seconds S", "added_rss_mib M"
// (peak resident memory during the command minus resident memory before it) and
// a check value (bytes of the new document, or characters copied).
#include "support/main_window_harness.h"
#include "ui/dialogs/replace_dialog.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdio>
#include <fstream>
#include <string>

using soramie::testing::dialogs;
using soramie::testing::ui;

namespace {

// A field of /proc/self/status in KiB (VmRSS, VmHWM).
long statusKib(const std::string& field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    }
    return 0;
}

void key(QWidget* w, Qt::Key k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::ControlModifier);
    QApplication::sendEvent(w, &press);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: commands_bench wrap|range|copy|html FILE\n");
        return 2;
    }
    const std::string toggleQuickMode = argv[1];
    const QFileInfo source(QString::fromLocal8Bit(argv[2]));
    soramie::testing::MainWindowHarness h;
    h.writeSettings("[main]\r\nlog = " + source.absolutePath().toUtf8() + "\r\n");
    if (!h.load()) return 1;
    soramie::MainWindow& f = h.form();
    f.resize(1000, 700);
    f.show();
    if (!ui(f).fileList->selectFile(source.fileName())) {
        std::fprintf(stderr, "%s is not listed (the list shows *.txt)\n", argv[2]);
        return 1;
    }
    f.showFile(source.absoluteFilePath());
    ui(f).pane->document()->waitIndexed();
    soramie::ReplaceDialog* replace = nullptr;
    if (toggleQuickMode == "range") {
        f.showReplaceDialog();
        replace = dialogs(f).replace;
        replace->findOrStartField->setText(QStringLiteral("["));
        replace->endField->setText(QStringLiteral("]"));
        replace->replacementField->setText(QStringLiteral("-"));
    }
    app.processEvents();

    const long before = statusKib("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts from here
    QElapsedTimer t;
    t.start();
    if (toggleQuickMode == "wrap") {
        f.wrapPane();
    } else if (toggleQuickMode == "range") {
        replace->replaceAll();
    } else if (toggleQuickMode == "copy") {
        key(ui(f).pane, Qt::Key_A);
        if (qEnvironmentVariableIsSet("SPLIT"))
            std::printf("select %.3f\n", static_cast<double>(t.nsecsElapsed()) / 1e9);
        key(ui(f).pane, Qt::Key_C);
    } else if (toggleQuickMode == "html") {
        f.exportHtml();
    } else {
        std::fprintf(stderr, "unknown command %s\n", toggleQuickMode.c_str());
        return 2;
    }
    ui(f).pane->viewport()->repaint();
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const long long check = toggleQuickMode == "copy" ? QGuiApplication::clipboard()->text().size()
                                                      : static_cast<long long>(ui(f).pane->document()->size().value);
    std::printf("seconds %.3f\nadded_rss_mib %ld\ncheck %lld\nmessages %zu\n", seconds,
                (statusKib("VmHWM") - before) / 1024, check, h.fakes.prompts.messages.size());
    return 0;
}
