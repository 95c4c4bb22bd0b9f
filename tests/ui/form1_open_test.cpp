// SPDX-License-Identifier: MIT
#include "form1_files_fixture.h"
#include "ui/pane/text_pane.h"

#include <QDir>
#include <QToolButton>

using soramie::kilobytesText;
using namespace soramie::testing;

TEST(Form1Open, sizes_are_shown_in_kilobytes_of_1000_bytes_without_trailing_zeros)
{
    const std::pair<qint64, const char*> cases[] = {{0, "0"},
                                                    {999, "0.999"},
                                                    {1234, "1.234"},
                                                    {2000, "2"},
                                                    {500, "0.5"},
                                                    {1010, "1.01"},
                                                    {1073741824, "1073741.824"}};
    for (const auto& [bytes, text] : cases) EXPECT_EQ(kilobytesText(bytes), text) << bytes;
}

// A cancel, and a path the dialog returned but that vanished before the read.
TEST(Form1Open, cancel_or_a_file_that_cannot_be_read_leaves_the_window_as_it_was)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    show(f, "a.txt");
    const QString state = windowState(f);
    h.fakes.pickers.openAnswers = {"", h.root() + "/other/vanished.txt"};
    f.appOpen->trigger();
    f.appOpen_Click();
    ASSERT_EQ(h.fakes.pickers.requests.size(), 2u);
    EXPECT_EQ(h.fakes.pickers.requests[0].kind, "open");
    EXPECT_EQ(h.fakes.pickers.requests[0].owner, &f);
    EXPECT_EQ(h.fakes.pickers.requests[0].initialFolder, QDir::currentPath());
    EXPECT_EQ(h.fakes.pickers.requests[0].filter[0].label, "ﾃｷｽﾄﾌｧｲﾙ(*.txt)");
    EXPECT_EQ(boxes(h), QStringList{"エラー|このファイルは開けません"});
    EXPECT_EQ(f.Text1->text(), "abc");
    EXPECT_EQ(windowState(f), state);
    EXPECT_EQ(f.Dir1->path(), h.root() + "/logs");
    EXPECT_EQ(f.File1->fileName(), "a.txt");
    EXPECT_EQ(f.shownPath, logs(h, "a.txt"));
}

TEST(Form1Open, a_file_on_another_drive_moves_all_three_lists_there_and_the_next_open_starts_there)
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
    h.fakes.pickers.openAnswers = {volume + "c.txt", ""};
    f.appOpen_Click();

    EXPECT_EQ(f.Text1->text().left(2), QString::fromUtf8("あx"));
    EXPECT_EQ(f.Text1->text().size(), 1233);
    EXPECT_EQ(windowState(f), "SORAMIE -  -|Total 2 Files(*.txt)|D c.txt |File Size 1.234 KB");
    EXPECT_EQ(f.Drive1->drive() + "|" + f.Dir1->path() + "|" + f.File1->path(),
              volume + "|" + h.root() + "/D|" + h.root() + "/D");
    EXPECT_EQ(f.File1->fileName(), "");
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_EQ(f.Flag, 0);  // the pane no longer shows the search hit
    EXPECT_EQ(f.shownPath, volume + "c.txt");
    EXPECT_EQ(h.fakes.pickers.lastOpenFolder(), volume);
    // The drive remembers the folder: choosing it again stays there.
    EXPECT_EQ(h.fakes.drives.currentFolder(volume), h.root() + "/D");

    f.appOpen_Click();
    ASSERT_EQ(h.fakes.pickers.requests.size(), 2u);
    EXPECT_EQ(h.fakes.pickers.requests[1].initialFolder, h.root() + "/D");
}

TEST(Form1Open, a_file_in_the_folder_already_shown_still_clears_the_selection_and_disables_the_button)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    ASSERT_TRUE(writeFile(logs(h, "b.txt"), "b"));  // appears with the open's re-read
    f.File1->selectFile("a.txt");
    f.File1_MouseDown(Qt::LeftButton, QPoint());
    ASSERT_TRUE(f.Command1->isEnabled());
    h.fakes.pickers.openAnswers = {logs(h, "a.txt")};
    f.appOpen_Click();
    EXPECT_EQ(f.File1->fileName(), "");
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.txt)");
    // The button, pressed anyway, has no file to show.
    f.Command1_Click();
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
    EXPECT_EQ(f.Text1->text(), "abc");
}
