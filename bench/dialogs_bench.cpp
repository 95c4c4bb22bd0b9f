// SPDX-License-Identifier: MIT
// Wall time of the search and replace dialogs' commands on large data,
// through the real windows (offscreen platform, scripted boxes that answer Yes):
//   replace  LOG     range and simple replacement on the whole pane text of LOG
//   hit      FILE KEYWORD
//                    the display button for search hits: show FILE and select the
//                    first occurrence of KEYWORD (as after a search)
//   search   FOLDER KEYWORD
//                    the search dialog's search of FOLDER and its subfolders
// Prints one line per measurement in milliseconds.
#include "support/main_window_harness.h"
#include "ui/dialogs/replace_dialog.h"
#include "ui/dialogs/search_dialog.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStatusBar>

#include <cstdio>

namespace {

using soramie::MainWindow;
using soramie::testing::dialogs;
using soramie::testing::MainWindowHarness;
using soramie::testing::ui;
using soramie::testing::viewerState;

void report(const char* what, const QElapsedTimer& timer)
{
    std::printf("%-40s %8lld ms\n", what, static_cast<long long>(timer.elapsed()));
}

void showLoaded(MainWindow& f, const QString& path)
{
    f.showFile(path);
    ui(f).pane->document()->waitIndexed();
}

int replace(MainWindow& f, const QString& log)
{
    showLoaded(f, log);
    f.showReplaceDialog();
    soramie::ReplaceDialog& d = *dialogs(f).replace;
    QElapsedTimer t;
    d.findOrStartField->setText(QStringLiteral("[worker-"));
    d.endField->setText(QStringLiteral("]"));
    d.replacementField->setText(QStringLiteral("<w>"));
    t.start();
    d.replaceAll();
    report("range replace (one stretch per line)", t);

    d.switchMode();
    d.skipInsideReplacementCheck->setChecked(true);
    d.findOrStartField->setText(QStringLiteral("status=200"));
    d.replacementField->setText(QStringLiteral("status=OK"));
    t.start();
    d.replaceAll();
    report("simple replace, skip-inside-replacement on", t);
    d.skipInsideReplacementCheck->setChecked(false);
    d.findOrStartField->setText(QStringLiteral("id="));
    d.replacementField->setText(QStringLiteral("ID:"));
    t.start();
    d.replaceAll();
    report("simple replace, skip-inside-replacement off", t);
    std::printf("pane characters after: %lld\n", static_cast<long long>(ui(f).pane->text().size()));
    return 0;
}

int hit(MainWindow& f, const QString& file, const QString& keyword)
{
    soramie::SearchDialog& d = f.loadSearchDialog();
    d.hitList->addItem(file);
    d.hitList->setCurrentRow(0);
    d.keywordField->setText(keyword);
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    QElapsedTimer t;
    t.start();
    f.showSelectedFile();
    report("display a hit and select the keyword", t);
    std::printf("selection start %lld, length %lld\n", static_cast<long long>(ui(f).pane->selectionStart()),
                static_cast<long long>(ui(f).pane->selectionLength()));
    return ui(f).pane->selectionLength() > 0 ? 0 : 1;
}

int search(MainWindow& f, const QString& folder, const QString& keyword)
{
    ui(f).folderList->setPath(folder);
    soramie::SearchDialog& d = f.loadSearchDialog();
    d.keywordField->setText(keyword);
    QElapsedTimer t;
    t.start();
    d.startSearch();
    report("search dialog: walk and read", t);
    std::printf("candidates %zu, %s\n", d.candidateFiles.size(), qPrintable(d.panel(2)));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    MainWindowHarness h;
    if (!h.load()) return 2;
    MainWindow& f = h.form();
    if (args.size() == 3 && args[1] == QLatin1String("replace")) return replace(f, args[2]);
    if (args.size() == 4 && args[1] == QLatin1String("hit")) return hit(f, args[2], args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("search")) return search(f, args[2], args[3]);
    std::fprintf(stderr, "usage: dialogs_bench replace LOG | hit FILE KEYWORD | search FOLDER KEYWORD\n");
    return 2;
}
