// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QDir>
#include <QToolButton>

#include <gtest/gtest.h>

using soramie::kilobytesText;
using soramie::testing::Form1Harness;
using soramie::testing::writeFile;

namespace {

// Starts the window on the default folder holding a.txt ("abc") and shows that file.
bool showDefaultFile(Form1Harness& h)
{
    if (!writeFile(h.defaultFolder() + "/a.txt", "abc") || !h.load()) return false;
    h.form().File1->selectFile("a.txt");
    h.form().Command1_Click();
    return h.form().shownPath == h.defaultFolder() + "/a.txt";
}

}  // namespace

TEST(Form1Open, sizes_are_shown_in_kilobytes_of_1000_bytes_without_trailing_zeros)
{
    EXPECT_EQ(kilobytesText(0), "0");
    EXPECT_EQ(kilobytesText(999), "0.999");
    EXPECT_EQ(kilobytesText(1234), "1.234");
    EXPECT_EQ(kilobytesText(2000), "2");
    EXPECT_EQ(kilobytesText(500), "0.5");
    EXPECT_EQ(kilobytesText(1010), "1.01");
    EXPECT_EQ(kilobytesText(1073741824), "1073741.824");
}

TEST(Form1Open, cancel_changes_nothing)
{
    Form1Harness h;
    ASSERT_TRUE(showDefaultFile(h));
    auto& f = h.form();
    const QString panels = f.panel(1) + f.panel(2) + f.panel(3);
    f.appOpen->trigger();
    ASSERT_EQ(h.fakes.pickers.requests.size(), 1u);
    EXPECT_EQ(h.fakes.pickers.requests[0].kind, "open");
    EXPECT_EQ(h.fakes.pickers.requests[0].owner, &f);
    EXPECT_EQ(h.fakes.pickers.requests[0].initialFolder, QDir::currentPath());
    EXPECT_EQ(h.fakes.pickers.requests[0].filter[0].label, "ﾃｷｽﾄﾌｧｲﾙ(*.txt)");
    EXPECT_EQ(f.Text1->text(), "abc");
    EXPECT_EQ(f.panel(1) + f.panel(2) + f.panel(3), panels);
    EXPECT_EQ(f.windowTitle(), "SORAMIE");
    EXPECT_EQ(f.Dir1->path(), h.defaultFolder());
    EXPECT_EQ(f.File1->fileName(), "a.txt");
}

TEST(Form1Open, a_file_on_another_drive_moves_all_three_lists_there)
{
    Form1Harness h;
    const QString volume = h.root() + "/D/";
    QByteArray bytes(1234, 'x');
    bytes.replace(0, 2, "\x82\xa0");  // "あ" first
    ASSERT_TRUE(writeFile(volume + "c.txt", bytes));
    ASSERT_TRUE(writeFile(volume + "d.txt", "d"));
    h.fakes.drives.rootList = {"/", volume};
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    f.Flag = 2;
    f.Command1->setEnabled(true);
    h.fakes.pickers.openAnswers = {volume + "c.txt"};
    f.appOpen_Click();

    EXPECT_EQ(f.Text1->text().left(2), QString::fromUtf8("あx"));
    EXPECT_EQ(f.Text1->text().size(), 1233);
    EXPECT_EQ(f.panel(3), "File Size 1.234 KB");
    EXPECT_EQ(f.panel(2), "D c.txt ");
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.txt)");
    EXPECT_EQ(f.Drive1->drive(), volume);
    EXPECT_EQ(f.Dir1->path(), h.root() + "/D");
    EXPECT_EQ(f.File1->path(), h.root() + "/D");
    EXPECT_EQ(f.File1->fileName(), "");
    EXPECT_EQ(f.windowTitle(), "SORAMIE -  -");
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_EQ(f.Flag, 0);  // the pane no longer shows the search hit
    EXPECT_EQ(f.shownPath, volume + "c.txt");
    EXPECT_EQ(h.fakes.pickers.lastOpenFolder(), volume);
    // The drive remembers the folder: choosing it again stays there.
    EXPECT_EQ(h.fakes.drives.currentFolder(volume), h.root() + "/D");
}

TEST(Form1Open, the_next_open_starts_in_the_folder_of_the_last_one)
{
    Form1Harness h;
    ASSERT_TRUE(writeFile(h.root() + "/logs/a.txt", ""));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    h.fakes.pickers.openAnswers = {h.root() + "/logs/a.txt", ""};
    f.appOpen_Click();
    EXPECT_EQ(f.panel(3), "File Size 0 KB");
    EXPECT_TRUE(f.Text1->text().isEmpty());
    f.appOpen_Click();
    ASSERT_EQ(h.fakes.pickers.requests.size(), 2u);
    EXPECT_EQ(h.fakes.pickers.requests[1].initialFolder, h.root() + "/logs");
}

TEST(Form1Open, a_chosen_file_that_cannot_be_read_is_reported_once_and_leaves_the_window_as_it_was)
{
    Form1Harness h;
    ASSERT_TRUE(showDefaultFile(h));
    auto& f = h.form();
    const QString panels = f.panel(1) + "|" + f.panel(2) + "|" + f.panel(3);
    // A path the dialog returned but that vanished before the read.
    h.fakes.pickers.openAnswers = {h.root() + "/other/vanished.txt"};
    f.appOpen_Click();
    EXPECT_EQ(h.fakes.prompts.messageTexts(), QStringList{"このファイルは開けません"});
    EXPECT_EQ(h.fakes.prompts.messages[0].title, "エラー");
    EXPECT_EQ(f.Text1->text(), "abc");
    EXPECT_EQ(f.panel(1) + "|" + f.panel(2) + "|" + f.panel(3), panels);
    EXPECT_EQ(f.windowTitle(), "SORAMIE");
    EXPECT_EQ(f.Dir1->path(), h.defaultFolder());
    EXPECT_EQ(f.shownPath, h.defaultFolder() + "/a.txt");
}

TEST(Form1Open, a_file_in_the_folder_already_shown_still_clears_the_selection_and_disables_the_button)
{
    Form1Harness h;
    ASSERT_TRUE(writeFile(h.defaultFolder() + "/a.txt", "abc"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    ASSERT_TRUE(writeFile(h.defaultFolder() + "/b.txt", "b"));  // appears with the open's re-read
    f.File1->selectFile("a.txt");
    f.File1_MouseDown(Qt::LeftButton, QPoint());
    ASSERT_TRUE(f.Command1->isEnabled());
    h.fakes.pickers.openAnswers = {h.defaultFolder() + "/a.txt"};
    f.appOpen_Click();
    EXPECT_EQ(f.File1->fileName(), "");
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.txt)");
    // The button, pressed anyway, has no file to show.
    f.Command1_Click();
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
    EXPECT_EQ(f.Text1->text(), "abc");
}
