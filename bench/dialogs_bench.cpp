// SPDX-License-Identifier: MIT
// Wall time of the search and replace dialogs' commands on large data,
// through the real windows (offscreen platform, scripted boxes that answer Yes):
//   replace  LOG     range and simple replacement on the whole pane text of LOG
//   hit      FILE KEYWORD
//                    the display button with Flag 2: show FILE and select the
//                    first occurrence of KEYWORD (as after a search)
//   search   FOLDER KEYWORD
//                    the search dialog's search of FOLDER and its subfolders
// Prints one line per measurement in milliseconds.
#include "support/form1_harness.h"
#include "ui/dialogs/form3.h"
#include "ui/dialogs/form4.h"
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

using soramie::Form1;
using soramie::testing::Form1Harness;

void report(const char* what, const QElapsedTimer& timer)
{
    std::printf("%-40s %8lld ms\n", what, static_cast<long long>(timer.elapsed()));
}

void showLoaded(Form1& f, const QString& path)
{
    f.DisplayFile(path);
    f.Text1->document()->waitIndexed();
}

int replace(Form1& f, const QString& log)
{
    showLoaded(f, log);
    f.appOki_Click();
    soramie::Form4& d = *f.form4;
    QElapsedTimer t;
    d.txtFndStartString->setText(QStringLiteral("[worker-"));
    d.txtFndEndString->setText(QStringLiteral("]"));
    d.txtRepString->setText(QStringLiteral("<w>"));
    t.start();
    d.cmdReplace_Click();
    report("range replace (one stretch per line)", t);

    d.Command11_Click();
    d.Check3->setChecked(true);
    d.txtFndStartString->setText(QStringLiteral("status=200"));
    d.txtRepString->setText(QStringLiteral("status=OK"));
    t.start();
    d.cmdReplace_Click();
    report("simple replace, Check3 on", t);
    d.Check3->setChecked(false);
    d.txtFndStartString->setText(QStringLiteral("id="));
    d.txtRepString->setText(QStringLiteral("ID:"));
    t.start();
    d.cmdReplace_Click();
    report("simple replace, Check3 off", t);
    std::printf("pane characters after: %lld\n", static_cast<long long>(f.Text1->text().size()));
    return 0;
}

int hit(Form1& f, const QString& file, const QString& keyword)
{
    soramie::Form3& d = f.loadForm3();
    d.List2->addItem(file);
    d.List2->setCurrentRow(0);
    d.txtType->setText(keyword);
    f.Flag = 2;
    QElapsedTimer t;
    t.start();
    f.Command1_Click();
    report("display a hit and select the keyword", t);
    std::printf("selection start %lld, length %lld\n", static_cast<long long>(f.Text1->selectionStart()),
                static_cast<long long>(f.Text1->selectionLength()));
    return f.Text1->selectionLength() > 0 ? 0 : 1;
}

int search(Form1& f, const QString& folder, const QString& keyword)
{
    f.Dir1->setPath(folder);
    soramie::Form3& d = f.loadForm3();
    d.txtType->setText(keyword);
    QElapsedTimer t;
    t.start();
    d.Command4_Click();
    report("search dialog: walk and read", t);
    std::printf("candidates %zu, %s\n", d.searchFiles.size(), qPrintable(d.panel(2)));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    Form1Harness h;
    if (!h.load()) return 2;
    Form1& f = h.form();
    if (args.size() == 3 && args[1] == QLatin1String("replace")) return replace(f, args[2]);
    if (args.size() == 4 && args[1] == QLatin1String("hit")) return hit(f, args[2], args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("search")) return search(f, args[2], args[3]);
    std::fprintf(stderr, "usage: dialogs_bench replace LOG | hit FILE KEYWORD | search FOLDER KEYWORD\n");
    return 2;
}
