// SPDX-License-Identifier: MIT
#include "form1_files_fixture.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QLineEdit>
#include <QToolButton>

using namespace soramie::testing;

namespace {

// "あいう" CR LF "abc" in CP932.
const QByteArray kSjis("\x82\xa0\x82\xa2\x82\xa4\r\nabc", 11);
const QString kShown = QString::fromUtf8("あいう\r\nabc");

// A press on the file list's entry `name` with `button`.
void press(soramie::Form1& f, const QString& name, Qt::MouseButton button)
{
    ASSERT_TRUE(f.File1->selectFile(name));
    f.File1_MouseDown(button, QPoint(10, 20));
}

}  // namespace

TEST(Form1Display, a_press_enables_the_button_in_normal_mode_and_shows_the_file_at_once_in_quick_mode)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", kSjis}, {"empty.txt", ""}});
    f.Flag = 2;
    press(f, "a.txt", Qt::LeftButton);
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_EQ(f.Flag, 0);
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_TRUE(f.panel(3).isEmpty());

    f.Command1->click();
    EXPECT_EQ(f.Text1->text(), kShown);
    EXPECT_EQ(windowState(f), "SORAMIE|Total 2 Files(*.txt)|logs a.txt |File Size 11 byte");
    EXPECT_TRUE(f.Command6->isEnabled() && f.Text1->isEnabled());
    EXPECT_EQ(f.shownPath, logs(h, "a.txt"));

    show(f, "empty.txt");
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.panel(3), "File Size 0 byte");

    f.Command1->hide();  // quick mode
    f.Command1->setEnabled(false);
    f.Command6->setEnabled(false);
    f.Flag = 2;
    press(f, "a.txt", Qt::LeftButton);
    EXPECT_EQ(f.Text1->text(), kShown);
    EXPECT_EQ(f.Flag, 0);
    EXPECT_EQ(f.panel(3), "File Size 11 byte");
    EXPECT_TRUE(f.Command6->isEnabled());
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
}

TEST(Form1Display, a_file_that_cannot_be_read_reports_each_failed_step_and_is_not_remembered)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", kSjis}, {"gone.txt", "x"}});
    show(f, "a.txt");
    ASSERT_EQ(f.shownPath, logs(h, "a.txt"));

    press(f, "gone.txt", Qt::LeftButton);
    ASSERT_TRUE(QFile::remove(logs(h, "gone.txt")));
    f.Command1_Click();
    EXPECT_EQ(boxes(h), QStringList(3, "エラー|このファイルは開けません"));
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.panel(3), "File Size  byte");
    EXPECT_EQ(f.panel(2), "logs gone.txt ");
    // The pane holds no file's bytes now: nothing may be saved over a.txt or gone.txt.
    EXPECT_TRUE(f.shownPath.isEmpty());
}

TEST(Form1Display, a_right_press_prepares_both_command_lines_and_runs_the_chosen_file_menu_item_first)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a b.txt", kSjis}});
    const QString path = logs(h, "a b.txt");
    // With nothing selected neither button does anything, in quick mode either.
    f.Command1->hide();
    f.File1_MouseDown(Qt::RightButton, QPoint());
    f.File1_MouseDown(Qt::LeftButton, QPoint());
    EXPECT_TRUE(h.fakes.prompts.popups.empty());
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_TRUE(f.memonameM.isEmpty());
    f.Command1->show();

    press(f, "a b.txt", Qt::RightButton);
    EXPECT_EQ(f.memonameM + "|" + f.memoname + "|" + f.memoFile, "xdg-open " + path + "| " + path + "|" + path);
    ASSERT_EQ(h.fakes.prompts.popups.size(), 1u);
    EXPECT_EQ(h.fakes.prompts.popups[0].visibleItems, (QStringList{"メモ帳で開く", "-", "削除"}));
    EXPECT_EQ(h.fakes.prompts.popups[0].globalPos, QPoint(10, 20));
    EXPECT_TRUE(f.Command1->isEnabled());  // then as for the left button

    f.pro = "/usr/bin/ed";
    f.mnuApp->setText("Editorで開く");
    f.mnuApp->setVisible(true);
    press(f, "a b.txt", Qt::RightButton);
    EXPECT_EQ(f.memoname, "/usr/bin/ed " + path);
    EXPECT_EQ(h.fakes.prompts.popups[1].visibleItems, (QStringList{"メモ帳で開く", "Editorで開く", "-", "削除"}));

    // The chosen item runs before the press goes on (it deletes the file here).
    QStringList order;
    QObject::connect(f.mnudel, &QAction::triggered,
                     [&] { order << "menu:" + QString::number(f.Command1->isEnabled()); });
    f.Command1->setEnabled(false);
    h.fakes.prompts.popupChoices = {"削除"};
    press(f, "a b.txt", Qt::RightButton);
    order << "after:" + QString::number(f.Command1->isEnabled());
    EXPECT_EQ(order, (QStringList{"menu:0", "after:1"}));
}

TEST(Form1Display, wrap_rebreaks_the_pane_text_at_the_wrap_width_and_changes_nothing_else)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    f.Text1->setText(QString::fromUtf8("あいうえおかきくけこさしすせそ\r\n  abc  "));
    f.setPanel(2, "p2");
    f.Text6->setText("10");
    f.Command12->click();
    EXPECT_EQ(f.Text1->text(), QString::fromUtf8("あいうえおかきくけこ\r\nさしすせそ\r\nabc"));
    EXPECT_EQ(f.panel(2), "p2");
    EXPECT_EQ(f.windowTitle(), "SORAMIE");
}
