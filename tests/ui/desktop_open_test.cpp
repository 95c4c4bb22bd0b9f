// SPDX-License-Identifier: MIT
// Files that reach the main window from outside: the command line, a second
// start, a drop from a file manager.
#include "support/form1_harness.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using soramie::testing::Form1Harness;
using soramie::testing::writeFile;

namespace {

// Sends a drag-enter and, when accepted, a drop of urls onto the pane.
bool dropOnPane(soramie::Form1& f, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    QWidget* target = f.Text1->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

}  // namespace

// A file is shown as the open command shows it and the next open starts in its
// folder; a missing file or a folder is reported and changes nothing.
TEST(Form1External, AFileFromTheCommandLineIsShownLikeTheOpenCommandAndAnythingElseChangesNothing)
{
    Form1Harness h;
    const QString folder = h.root() + "/logs";
    ASSERT_TRUE(writeFile(folder + "/a.txt", "\x82\xa0" + QByteArray(1232, 'x')));  // "あ" and 1232 bytes
    ASSERT_TRUE(writeFile(h.root() + "/dir/x.txt", "x"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(f.showFileFromOutside(folder + "/a.txt"));
    EXPECT_EQ(h.windowState(), "SORAMIE -  -|Total 1 Files(*.txt)|logs a.txt |File Size 1.234 KB");
    EXPECT_EQ(f.Dir1->path() + "|" + f.shownPath, folder + "|" + folder + "/a.txt");
    EXPECT_TRUE(h.fakes.prompts.messages.empty());

    const auto state = [&] { return h.windowState() + f.Text1->text() + f.shownPath + QDir::currentPath(); };
    const QString shown = state();
    EXPECT_FALSE(f.showFileFromOutside(h.root() + "/missing.txt"));
    EXPECT_FALSE(f.showFileFromOutside(h.root() + "/dir"));
    EXPECT_EQ(h.boxes(), QStringList(2, "エラー|このファイルは開けません"));
    EXPECT_EQ(state(), shown);
    h.fakes.pickers.answers = {""};
    f.appOpen_Click();
    EXPECT_EQ(h.fakes.pickers.initialFolder, folder);
    QDir::setCurrent(before);
}

TEST(Form1External, AFileDroppedOnThePaneIsShownAndOtherDropsAreRefused)
{
    Form1Harness h;
    ASSERT_TRUE(writeFile(h.root() + "/drop/c.log", "dropped"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString before = QDir::currentPath();

    EXPECT_FALSE(dropOnPane(f, {QUrl("https://example.org/a.txt")}));
    EXPECT_FALSE(dropOnPane(f, {}));
    ASSERT_TRUE(dropOnPane(f, {QUrl("https://example.org/a.txt"), QUrl::fromLocalFile(h.root() + "/drop/c.log")}));
    // Shown once the drop has returned to the file manager.
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Text1->text() == "dropped"; }));
    EXPECT_EQ(f.shownPath, h.root() + "/drop/c.log");
    EXPECT_EQ(f.Dir1->path(), h.root() + "/drop");
    EXPECT_EQ(f.panel(3), "File Size 0.007 KB");
    QDir::setCurrent(before);
}

TEST(Form1External, AHandedOverFileWaitsWhileASearchKeepsTheWindowDisabled)
{
    Form1Harness h;
    ASSERT_TRUE(writeFile(h.root() + "/in/d.txt", "handed"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString before = QDir::currentPath();

    f.setEnabled(false);
    f.showHandedOverFile(h.root() + "/in/d.txt");
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_TRUE(f.shownPath.isEmpty());
    f.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Text1->text() == "handed"; }));
    EXPECT_EQ(f.shownPath, h.root() + "/in/d.txt");
    QDir::setCurrent(before);
}
