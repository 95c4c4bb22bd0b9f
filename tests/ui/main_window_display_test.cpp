// SPDX-License-Identifier: MIT
// Showing a file: presses on the file list, the display button, and the open command.
#include "support/main_window_harness.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>

using namespace soramie::testing;

namespace {

// "あいう" CR LF "abc" in CP932.
const QByteArray kSjis("\x82\xa0\x82\xa2\x82\xa4\r\nabc", 11);

// A press on the file list's entry name with button.
void press(soramie::MainWindow& f, const QString& name, Qt::MouseButton button)
{
    ASSERT_TRUE(ui(f).fileList->selectFile(name));
    f.onFileListPressed(button, QPoint(10, 20));
}

// (A press in quick mode shows the file at once: the unsaved-edits table presses there.)
TEST(MainWindowDisplay, APressInNormalModeOnlyEnablesTheButtonAndWithNothingSelectedNeitherButtonDoesAnything)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", kSjis}});
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    press(f, "a.txt", Qt::LeftButton);
    EXPECT_TRUE(ui(f).showButton->isEnabled() && viewerState(f).shownFrom == soramie::ShownFrom::FileList &&
                ui(f).pane->text().isEmpty());
    ui(f).fileList->refresh();
    f.onFileListPressed(Qt::RightButton, QPoint());
    f.showSelectedFile();
    EXPECT_TRUE(viewerState(f).shownPath.isEmpty() && h.fakes.prompts.messages.empty() &&
                h.fakes.prompts.popups.empty());
}

TEST(MainWindowDisplay, ARightPressRunsTheChosenFileMenuItemFirstAndNeverShowsAFileItDeleted)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a b.txt", kSjis}, {"b.txt", "b"}});
    press(f, "a b.txt", Qt::RightButton);
    EXPECT_EQ(h.fakes.prompts.popups, QList<QPoint>{QPoint(10, 20)});
    EXPECT_TRUE(ui(f).showButton->isEnabled()) << "then as for the left button";

    // A file the chosen item deleted is then neither offered (normal mode) nor shown (quick mode).
    for (const bool quick : {false, true}) {
        ui(f).showButton->setVisible(!quick);
        ui(f).showButton->setEnabled(false);
        h.fakes.prompts.messages.clear();
        h.fakes.prompts.popupChoices = {"削除"};
        press(f, quick ? "b.txt" : "a b.txt", Qt::RightButton);
        EXPECT_EQ(h.boxes().value(1) + QString::number(h.boxes().size()), "完了|削除しました。2") << quick;
        EXPECT_TRUE(!ui(f).showButton->isEnabled() && f.panel(2).isEmpty()) << quick;
    }
}

// Typed text in the filter box is only the pattern of the next count: Enter,
// leaving the box or a text equal to an item leave the list's pattern, and
// nothing is completed. Choosing an item changes it; 更新 counts the list.
TEST(MainWindowLists, ATypedFilterOnlyCountsAtTheNextFolderChangeAndRefreshCountsTheList)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "a"}, {"b.log", "b"}, {"c.log", "c"}});
    QComboBox& box = *ui(f).filterCombo;
    QLineEdit& edit = *box.lineEdit();
    edit.selectAll();
    QTest::keyClicks(&edit, "*");
    EXPECT_EQ(box.currentText(), "*");
    QTest::keyClicks(&edit, ".log");
    QTest::keyClick(&edit, Qt::Key_Return);
    emit edit.editingFinished();  // as when the focus leaves the box
    EXPECT_EQ(ui(f).fileList->pattern() + "|" + ui(f).fileList->names().join(","), "*.txt|a.txt");
    f.onFolderChanged();
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.log)");

    ASSERT_TRUE(writeFile(h.logs("d.txt"), "d"));
    ui(f).refreshButton->click();
    EXPECT_EQ(ui(f).fileList->names().join(",") + "|" + f.panel(1), "a.txt,d.txt|Total 2 Files(*.txt)");

    box.setCurrentIndex(0);
    QTest::keyClick(&box, Qt::Key_Down);  // the next item, *.log, is chosen
    EXPECT_EQ(ui(f).fileList->pattern() + "|" + f.panel(1), "*.log|Total 2 Files(*.log)");
}

// From the keyboard: Enter on the file list is a press (quick mode shows the
// file), Tab in the pane types a TAB, Ctrl+Tab and Ctrl+Shift+Tab leave it.
TEST(MainWindowKeys, EnterOnTheFileListShowsInQuickModeAndCtrlTabLeavesThePane)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "abc"}, {"b.txt", "b"}});
    f.show();
    f.activateWindow();
    ASSERT_TRUE(ui(f).fileList->selectFile("a.txt"));
    QTest::keyClick(ui(f).fileList, Qt::Key_Return);
    EXPECT_TRUE(ui(f).showButton->isEnabled() && ui(f).pane->text().isEmpty()) << "normal mode: only the button";
    ui(f).showButton->hide();
    ASSERT_TRUE(ui(f).fileList->selectFile("b.txt"));
    QTest::keyClick(ui(f).fileList, Qt::Key_Enter);
    EXPECT_EQ(ui(f).pane->text() + "|" + viewerState(f).shownPath, "b|" + h.logs("b.txt"));

    ui(f).pane->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui(f).pane->hasFocus(); }));
    QTest::keyClick(ui(f).pane, Qt::Key_Tab);
    EXPECT_EQ(ui(f).pane->text(), "\tb");
    QTest::keyClick(ui(f).pane, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_FALSE(ui(f).pane->hasFocus());
    QWidget* after = QApplication::focusWidget();
    ui(f).pane->setFocus();
    QTest::keyClick(ui(f).pane, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(!ui(f).pane->hasFocus() && QApplication::focusWidget() != after);
    EXPECT_EQ(ui(f).pane->text(), "\tb");
}

// A cancel, a path the dialog returned but that vanished before the read, a
// missing file or a folder named on the command line, then a file on another
// drive.
TEST(MainWindowOpen, ACancelOrAFileThatCannotBeReadChangesNothingAndAFileElsewhereMovesTheLists)
{
    MainWindowHarness h;
    const QString volume = h.root() + "/D/";
    ASSERT_TRUE(writeFile(volume + "c.txt", "\x82\xa0" + QByteArray(1232, 'x')) && writeFile(volume + "d.txt", "d"));
    h.fakes.drives.rootList = {"/", volume};
    auto& f = h.loadWith({{"a.txt", "abc"}});
    h.show("a.txt");
    const QString state = h.windowState(), folder = QDir::currentPath();
    h.fakes.pickers.answers = {"", h.root() + "/other/vanished.txt"};
    ui(f).openAction->trigger();
    f.openFile();
    EXPECT_FALSE(f.showFileFromOutside(h.root() + "/missing.txt") || f.showFileFromOutside(volume));
    EXPECT_EQ(h.boxes(), QStringList(3, "エラー|このファイルは開けません"));
    EXPECT_EQ(ui(f).pane->text() + "|" + h.windowState() + "|" + viewerState(f).shownPath + "|" + QDir::currentPath(),
              "abc|" + state + "|" + h.logs("a.txt") + "|" + folder);

    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    ui(f).showButton->setEnabled(true);
    h.fakes.pickers.answers = {volume + "c.txt"};
    f.openFile();
    EXPECT_EQ(ui(f).pane->text().left(2), QString::fromUtf8("あx"));
    EXPECT_EQ(ui(f).driveList->drive() + "|" + ui(f).folderList->path() + "|" + ui(f).fileList->path(),
              volume + "|" + h.root() + "/D|" + h.root() + "/D");
    EXPECT_TRUE(ui(f).fileList->fileName().isEmpty() && !ui(f).showButton->isEnabled());
    EXPECT_EQ(viewerState(f).shownFrom, soramie::ShownFrom::FileList) << "the pane no longer shows the search hit";

    // A file in the folder already shown re-reads the folder all the same.
    ASSERT_TRUE(writeFile(volume + "e.txt", "e"));
    h.fakes.pickers.answers = {volume + "d.txt"};
    f.openFile();
    EXPECT_EQ(f.panel(1), "Total 3 Files(*.txt)");
}

}  // namespace
