// SPDX-License-Identifier: MIT
// Wall time and peak memory of the main window's file commands on a large file,
// through the real window (offscreen platform, scripted boxes):
//   files_bench FILE
// exports FILE as FILE.html (HTML export: read, page, safe write, pane), then
// saves the pane (the page, 1 x its size) over FILE.html again, and prints the
// time of each step, the sizes and the process's peak resident memory.
#include "support/main_window_harness.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sys/resource.h>
#include <cstdio>

using soramie::testing::ui;
using soramie::testing::viewerState;

namespace {

long peakMegabytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void report(const char* what, const QElapsedTimer& timer)
{
    std::printf("%-44s %8lld ms   peak RSS %6ld MB\n", what, static_cast<long long>(timer.elapsed()), peakMegabytes());
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: files_bench FILE\n");
        return 2;
    }
    const QFileInfo source(QString::fromLocal8Bit(argv[1]));
    soramie::testing::MainWindowHarness h;
    h.writeSettings("[main]\r\nlog = " + source.absolutePath().toUtf8() + "\r\n");
    if (!h.load()) return 1;
    soramie::MainWindow& f = h.form();
    if (!ui(f).fileList->selectFile(source.fileName())) {
        std::fprintf(stderr, "%s is not listed (the list shows *.txt)\n", argv[1]);
        return 1;
    }
    std::printf("source %lld bytes, peak RSS before %ld MB\n", static_cast<long long>(source.size()), peakMegabytes());

    QElapsedTimer t;
    t.start();
    f.exportHtml();
    report("HTML export (until the page is shown)", t);
    ui(f).pane->document()->waitIndexed();
    report("HTML export (page fully indexed)", t);
    std::printf("page %lld bytes, messages %zu\n",
                static_cast<long long>(QFileInfo(viewerState(f).lastExportPath).size()),
                h.fakes.prompts.messages.size());

    t.start();
    f.save();
    report("save of the page over itself", t);
    std::printf("messages %zu\n", h.fakes.prompts.messages.size());
    return 0;
}
