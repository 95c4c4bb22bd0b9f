// SPDX-License-Identifier: MIT
// Showing a file: presses on the file list, the display button, and the open command.
#include "support/form1_harness.h"

#include <QDir>

using namespace soramie::testing;

namespace {

// "あいう" CR LF "abc" in CP932.
const QByteArray kSjis("\x82\xa0\x82\xa2\x82\xa4\r\nabc", 11);

// A press on the file list's entry name with button.
void press(soramie::Form1& f, const QString& name, Qt::MouseButton button)
{
    ASSERT_TRUE(f.File1->selectFile(name));
    f.File1_MouseDown(button, QPoint(10, 20));
}

// (A press in quick mode shows the file at once: the unsaved-edits table presses there.)
TEST(Form1Display, APressInNormalModeOnlyEnablesTheButtonAndWithNothingSelectedNeitherButtonDoesAnything)
{
    Form1Harness h;
    auto& f = h.loadWith({{"a.txt", kSjis}});
    f.Flag = 2;
    press(f, "a.txt", Qt::LeftButton);
    EXPECT_TRUE(f.Command1->isEnabled() && f.Flag == 0 && f.Text1->text().isEmpty());
    f.File1->refresh();
    f.File1_MouseDown(Qt::RightButton, QPoint());
    f.Command1_Click();
    EXPECT_TRUE(f.shownPath.isEmpty() && h.fakes.prompts.messages.empty() && h.fakes.prompts.popups.empty());
}

TEST(Form1Display, ARightPressRunsTheChosenFileMenuItemFirstAndNeverShowsAFileItDeleted)
{
    Form1Harness h;
    auto& f = h.loadWith({{"a b.txt", kSjis}, {"b.txt", "b"}});
    press(f, "a b.txt", Qt::RightButton);
    EXPECT_EQ(h.fakes.prompts.popups, QList<QPoint>{QPoint(10, 20)});
    EXPECT_TRUE(f.Command1->isEnabled()) << "then as for the left button";

    // A file the chosen item deleted is then neither offered (normal mode) nor shown (quick mode).
    for (const bool quick : {false, true}) {
        f.Command1->setVisible(!quick);
        f.Command1->setEnabled(false);
        h.fakes.prompts.messages.clear();
        h.fakes.prompts.popupChoices = {"削除"};
        press(f, quick ? "b.txt" : "a b.txt", Qt::RightButton);
        EXPECT_EQ(h.boxes().value(1) + QString::number(h.boxes().size()), "完了|削除しました。2") << quick;
        EXPECT_TRUE(!f.Command1->isEnabled() && f.panel(2).isEmpty()) << quick;
    }
}

// A cancel, a path the dialog returned but that vanished before the read, a
// missing file or a folder named on the command line, then a file on another
// drive.
TEST(Form1Open, ACancelOrAFileThatCannotBeReadChangesNothingAndAFileElsewhereMovesTheLists)
{
    Form1Harness h;
    const QString volume = h.root() + "/D/";
    ASSERT_TRUE(writeFile(volume + "c.txt", "\x82\xa0" + QByteArray(1232, 'x')) && writeFile(volume + "d.txt", "d"));
    h.fakes.drives.rootList = {"/", volume};
    auto& f = h.loadWith({{"a.txt", "abc"}});
    h.show("a.txt");
    const QString state = h.windowState(), folder = QDir::currentPath();
    h.fakes.pickers.answers = {"", h.root() + "/other/vanished.txt"};
    f.appOpen->trigger();
    f.appOpen_Click();
    EXPECT_FALSE(f.showFileFromOutside(h.root() + "/missing.txt") || f.showFileFromOutside(volume));
    EXPECT_EQ(h.boxes(), QStringList(3, "エラー|このファイルは開けません"));
    EXPECT_EQ(f.Text1->text() + "|" + h.windowState() + "|" + f.shownPath + "|" + QDir::currentPath(),
              "abc|" + state + "|" + h.logs("a.txt") + "|" + folder);

    f.Flag = 2;
    f.Command1->setEnabled(true);
    h.fakes.pickers.answers = {volume + "c.txt"};
    f.appOpen_Click();
    EXPECT_EQ(f.Text1->text().left(2), QString::fromUtf8("あx"));
    EXPECT_EQ(f.Drive1->drive() + "|" + f.Dir1->path() + "|" + f.File1->path(),
              volume + "|" + h.root() + "/D|" + h.root() + "/D");
    EXPECT_TRUE(f.File1->fileName().isEmpty() && !f.Command1->isEnabled());
    EXPECT_EQ(f.Flag, 0) << "the pane no longer shows the search hit";

    // A file in the folder already shown re-reads the folder all the same.
    ASSERT_TRUE(writeFile(volume + "e.txt", "e"));
    h.fakes.pickers.answers = {volume + "d.txt"};
    f.appOpen_Click();
    EXPECT_EQ(f.panel(1), "Total 3 Files(*.txt)");
}

}  // namespace
