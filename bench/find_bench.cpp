// SPDX-License-Identifier: MIT
// Find figures on a large CP932 file (run with QT_QPA_PLATFORM=offscreen):
//   find_bench FILE RARE COMMON LISTED
//     index_s       opening the file until it is indexed
//     find_rare_s   the find bar's Enter with the caret at the top and RARE's
//                   only match at the end: until the match is selected
//     count_s       counting COMMON's matches (the finder, one thread)
//     bar_count_s   the find bar's count of LISTED with the lines of its matches
//                   (worker thread), from the keyword to the count shown
//     list_after_s  from the bar's count's end until its matching lines are listed
// Output: one "key value" pair per line. bench/find_bench.sh runs it beside grep.
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <chrono>
#include <cstdio>
#include <string>

#include "document/document.h"
#include "document/finder.h"
#include "ui/main/find_bar.h"
#include "ui/pane/text_pane.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }
void report(const char* key, double value) { std::printf("%s %.6f\n", key, value); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: find_bench FILE RARE COMMON LISTED\n");
        return 2;
    }
    QApplication app(argc, argv);
    auto t0 = Clock::now();
    auto opened = soramie::Document::fromFile(argv[1]);
    if (!opened) return 1;
    const soramie::DocumentPtr doc = *opened;
    doc->waitIndexed();
    report("index_s", secondsSince(t0));

    soramie::TextPane pane;
    pane.resize(1000, 700);
    pane.setDocument(doc);
    soramie::FindBar bar(pane);
    bar.keywordEdit->setText(QString::fromUtf8(argv[2]));
    pane.setSelection(0, 0);
    t0 = Clock::now();
    const bool found = bar.findNext();
    report("find_rare_s", secondsSince(t0));
    std::printf("find_rare_at %lld %s\n", pane.selectionStart(), found ? "found" : "missing");

    const auto common =
        soramie::makeKeywordMatcher(QString::fromUtf8(argv[3]).toStdU16String(), soramie::LetterCase::Exact);
    std::uint64_t count = 0;
    t0 = Clock::now();
    soramie::forEachMatch(*doc, *common, [&](soramie::FindMatch) {
        ++count;
        return true;
    });
    report("count_s", secondsSince(t0));
    std::printf("count %llu\n", static_cast<unsigned long long>(count));

    QEventLoop loop;
    Clock::time_point counted;
    std::uint64_t barCount = 0;
    QObject::connect(&bar, &soramie::FindBar::countFinished, [&](std::uint64_t n) {
        counted = Clock::now();
        barCount = n;
    });
    QObject::connect(&bar, &soramie::FindBar::linesReady, &loop, &QEventLoop::quit);
    t0 = Clock::now();
    bar.keywordEdit->setText(QString::fromUtf8(argv[4]));
    loop.exec();
    bar.setLinesShown(true);
    QCoreApplication::processEvents();
    report("bar_count_s", std::chrono::duration<double>(counted - t0).count());
    report("list_after_s", secondsSince(counted));
    std::printf("bar_count %llu\nlisted_lines %d\n", static_cast<unsigned long long>(barCount), bar.lines().rowCount());
    return 0;
}
