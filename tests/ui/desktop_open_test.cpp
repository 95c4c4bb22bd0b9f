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

TEST(Form1External, a_file_from_the_command_line_is_shown_like_the_open_command_and_the_next_open_starts_there)
{
    Form1Harness h;
    const QString folder = h.root() + "/logs";
    ASSERT_TRUE(writeFile(folder + "/a.txt", "\x82\xa0" + QByteArray(1232, 'x')));  // "あ" and 1232 bytes
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(f.showFileFromOutside(folder + "/a.txt"));
    EXPECT_EQ(h.windowState(), "SORAMIE -  -|Total 1 Files(*.txt)|logs a.txt |File Size 1.234 KB");
    EXPECT_EQ(f.Dir1->path() + "|" + f.shownPath, folder + "|" + folder + "/a.txt");
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
    h.fakes.pickers.openAnswers = {""};
    f.appOpen_Click();
    EXPECT_EQ(h.fakes.pickers.requests.back().initialFolder, folder);
    QDir::setCurrent(before);
}

TEST(Form1External, a_missing_file_or_a_folder_is_reported_and_changes_nothing)
{
    Form1Harness h;
    ASSERT_TRUE(writeFile(h.defaultFolder() + "/a.txt", "abc"));
    ASSERT_TRUE(writeFile(h.root() + "/dir/x.txt", "x"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    f.File1->selectFile("a.txt");
    f.Command1_Click();
    const QString panels = f.panel(1) + "|" + f.panel(2) + "|" + f.panel(3);
    const QString cwd = QDir::currentPath();

    EXPECT_FALSE(f.showFileFromOutside(h.root() + "/missing.txt"));
    EXPECT_FALSE(f.showFileFromOutside(h.root() + "/dir"));
    EXPECT_EQ(h.fakes.prompts.boxes(), QStringList(2, "エラー|このファイルは開けません"));
    EXPECT_EQ(f.Text1->text(), "abc");
    EXPECT_EQ(f.panel(1) + "|" + f.panel(2) + "|" + f.panel(3), panels);
    EXPECT_EQ(f.Dir1->path(), h.defaultFolder());
    EXPECT_EQ(f.shownPath, h.defaultFolder() + "/a.txt");
    EXPECT_EQ(QDir::currentPath(), cwd);
}

TEST(Form1External, a_file_dropped_on_the_pane_is_shown_and_other_drops_are_refused)
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

TEST(Form1External, a_handed_over_file_waits_while_a_search_keeps_the_window_disabled)
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
