// SPDX-License-Identifier: MIT
// Editing figures of the text pane on a large CP932 file (run with
// QT_QPA_PLATFORM=offscreen; one mode per process):
//   edit_bench keys FILE        1,000 keystrokes at random places: each timed
//                               from the key event to the synchronous repaint;
//                               resident memory before and after
//   edit_bench paste FILE       Ctrl+V of 10 MB of text (Japanese and ASCII
//                               lines from the file) to the repaint
//   edit_bench undo FILE        range replacement "[" ... "]" -> "-" as a pane
//                               command step, then Ctrl+Z to the repaint
//   edit_bench save FILE OUT    1,000 edits at random places, then the save's
//                               write of the pieces to OUT (the safe write,
//                               flushed)
// Output: one "key value" pair per line. bench/edit_bench.sh runs them all.
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/replace.h"
#include "ui/pane/text_pane.h"

namespace {

using Clock = std::chrono::steady_clock;
using soramie::ByteOffset;
using soramie::CharPos;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }
void report(const char* key, double value) { std::printf("%s %.6f\n", key, value); }

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

soramie::DocumentPtr open(const char* path)
{
    auto doc = soramie::Document::fromFile(path);
    if (!doc) {
        std::fprintf(stderr, "cannot read %s\n", path);
        std::exit(1);
    }
    (*doc)->waitIndexed();
    return *doc;
}

void press(soramie::TextPane& pane, int key, const QString& text, Qt::KeyboardModifiers mods = {})
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&pane, &e);
    pane.viewport()->repaint();
}

int runKeys(soramie::TextPane& pane, const char* path)
{
    pane.setDocument(open(path));
    pane.setFocus();
    pane.viewport()->repaint();
    const long before = residentKiB();
    std::mt19937_64 rng(17);
    std::vector<double> times;
    for (int i = 0; i < 1000; ++i) {
        const auto chars = pane.document()->charCount().value;
        pane.setSelection(static_cast<qint64>(rng() % chars), 0);  // not timed: where the user clicked
        pane.viewport()->repaint();
        const auto t0 = Clock::now();
        press(pane, Qt::Key_A + static_cast<int>(i % 26), QString(QChar(u'a' + i % 26)));
        times.push_back(secondsSince(t0));
    }
    std::sort(times.begin(), times.end());
    report("key_p50_ms", times[times.size() / 2] * 1000);
    report("key_p99_ms", times[times.size() * 99 / 100] * 1000);
    report("key_max_ms", times.back() * 1000);
    report("pieces", static_cast<double>(pane.document()->pieceCount()));
    report("added_rss_mib", static_cast<double>(residentKiB() - before) / 1024);
    return 0;
}

int runPaste(soramie::TextPane& pane, const char* path)
{
    const soramie::DocumentPtr doc = open(path);
    pane.setDocument(doc);
    QString text = QString::fromStdU16String(doc->text(CharPos(0), soramie::CharCount(12'000'000)));
    const qsizetype cut = text.indexOf(QLatin1Char('\n'), 10'000'000);
    text.truncate(cut + 1);
    QGuiApplication::clipboard()->setText(text);
    const auto bytes = doc->byteOf(CharPos(static_cast<std::uint64_t>(text.size()))).value;
    pane.setSelection(static_cast<qint64>(doc->charCount().value / 2), 0);
    pane.viewport()->repaint();
    const auto t0 = Clock::now();
    press(pane, Qt::Key_V, QString(), Qt::ControlModifier);
    report("paste_s", secondsSince(t0));
    report("paste_mb", static_cast<double>(bytes) / 1e6);
    return pane.document()->size().value == doc->size().value + bytes ? 0 : 1;
}

int runUndo(soramie::TextPane& pane, const char* path)
{
    const soramie::DocumentPtr doc = open(path);
    pane.setDocument(doc);
    pane.setFocus();
    soramie::LastMarkerScan scan(u"]");
    (void)doc->rewrite(scan);
    soramie::RangeReplaceStream replace(u"[", u"]", u"-", scan.last());
    const soramie::DocumentPtr replaced = soramie::Document::fromRewrite(doc->rewrite(replace), replace);
    report("ranges", static_cast<double>(replace.count()));
    pane.setDocumentAsStep(replaced);
    pane.viewport()->repaint();
    auto t0 = Clock::now();
    press(pane, Qt::Key_Z, QString(), Qt::ControlModifier);
    report("undo_s", secondsSince(t0));
    t0 = Clock::now();
    press(pane, Qt::Key_Y, QString(), Qt::ControlModifier);
    report("redo_s", secondsSince(t0));
    return pane.document() == replaced ? 0 : 1;
}

int runSave(const char* path, const char* out)
{
    soramie::DocumentPtr doc = open(path);
    std::mt19937_64 rng(29);
    for (int i = 0; i < 1000; ++i) {
        const auto at = doc->byteOf(CharPos(rng() % doc->charCount().value));
        doc = doc->edited(at, at, u"編集");
    }
    const auto t0 = Clock::now();
    const auto slices = doc->slices();
    const auto written = soramie::writeFileSafely(out, slices);
    report("save_s", secondsSince(t0));
    report("pieces", static_cast<double>(doc->pieceCount()));
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    soramie::TextPane pane;
    pane.resize(1000, 700);
    pane.show();
    QApplication::processEvents();
    const std::string mode = argc >= 3 ? argv[1] : "";
    if (mode == "keys") return runKeys(pane, argv[2]);
    if (mode == "paste") return runPaste(pane, argv[2]);
    if (mode == "undo") return runUndo(pane, argv[2]);
    if (mode == "save" && argc >= 4) return runSave(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s keys|paste|undo FILE | save FILE OUT\n", argv[0]);
    return 2;
}
