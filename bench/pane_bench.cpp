// SPDX-License-Identifier: MIT
// Whole-process figures of the text pane on a large CP932 file (run with
// QT_QPA_PLATFORM=offscreen). One mode per process, so each peak resident memory
// figure belongs to that mode alone:
//   pane_bench pane FILE    first painted screen, index complete, Ctrl+End,
//                           selecting a range near the end, peak RSS
//   pane_bench plain FILE   the same file decoded with our codec into a
//                           QPlainTextEdit: first painted screen, peak RSS
//   pane_bench empty        an empty pane: peak RSS (the program's own share)
// Output: one "key value" pair per line. bench/pane_bench.sh runs all three.
#include <sys/resource.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "core/cp932.h"
#include "ui/pane/text_pane.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

long peakRssKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void report(const char* key, double seconds) { std::printf("%s %.4f\n", key, seconds); }

int runPane(const char* path)
{
    soramie::TextPane pane;
    pane.resize(1000, 700);
    pane.show();
    QApplication::processEvents();

    const auto t0 = Clock::now();
    auto doc = soramie::Document::fromFile(path);
    if (!doc) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    report("open_s", secondsSince(t0));
    pane.setDocument(*doc);
    pane.repaint();
    report("first_screen_s", secondsSince(t0));

    (*doc)->waitIndexed();
    report("index_complete_s", secondsSince(t0));
    std::printf("lines %llu\n", static_cast<unsigned long long>((*doc)->lineCount().value));

    pane.setFocus();
    auto t1 = Clock::now();
    QKeyEvent ctrlEnd(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(&pane, &ctrlEnd);
    pane.repaint();
    report("ctrl_end_s", secondsSince(t1));

    t1 = Clock::now();
    const auto chars = static_cast<qint64>((*doc)->charCount().value);
    pane.setSelection(chars - 5000, 1000);
    pane.repaint();
    report("select_near_end_s", secondsSince(t1));
    if (pane.selectionLength() != 1000) std::fprintf(stderr, "unexpected selection length\n");

    std::printf("peak_rss_kib %ld\n", peakRssKiB());
    return 0;
}

int runPlain(const char* path)
{
    QPlainTextEdit edit;
    edit.resize(1000, 700);
    edit.show();
    QApplication::processEvents();

    const auto t0 = Clock::now();
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    edit.setPlainText(QString::fromStdU16String(soramie::cp932::decode(bytes)));
    edit.repaint();
    report("first_screen_s", secondsSince(t0));
    std::printf("peak_rss_kib %ld\n", peakRssKiB());
    return 0;
}

int runEmpty()
{
    soramie::TextPane pane;
    pane.resize(1000, 700);
    pane.show();
    QApplication::processEvents();
    pane.repaint();
    std::printf("peak_rss_kib %ld\n", peakRssKiB());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "pane") == 0) return runPane(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "plain") == 0) return runPlain(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "empty") == 0) return runEmpty();
    std::fprintf(stderr, "usage: %s pane FILE | plain FILE | empty\n", argv[0]);
    return 2;
}
