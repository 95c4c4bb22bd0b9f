// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

using soramie::testing::Form1Harness;
using soramie::testing::writeFile;

namespace {

// "あいう" CR LF "abc" in CP932.
const QByteArray kSjis("\x82\xa0\x82\xa2\x82\xa4\r\nabc", 11);

// Loads the window on a folder "logs" holding the given files, selected nothing.
void loadWith(Form1Harness& h, const std::vector<std::pair<QString, QByteArray>>& files)
{
    for (const auto& [name, bytes] : files) writeFile(h.root() + "/logs/" + name, bytes);
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + (h.root() + "/logs").toUtf8() + "\r\n"));
    ASSERT_TRUE(h.load());
}

// A press on the file list's entry `name` with `button`.
void press(soramie::Form1& f, const QString& name, Qt::MouseButton button)
{
    ASSERT_TRUE(f.File1->selectFile(name));
    f.File1_MouseDown(button, QPoint(10, 20));
}

}  // namespace

TEST(Form1Display, in_normal_mode_a_press_only_enables_the_button_which_then_shows_the_file)
{
    Form1Harness h;
    loadWith(h, {{"a.txt", kSjis}});
    auto& f = h.form();
    f.Flag = 2;
    press(f, "a.txt", Qt::LeftButton);
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_EQ(f.Flag, 0);
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_TRUE(f.panel(3).isEmpty());

    f.Command1->click();
    EXPECT_EQ(f.Text1->text(), QString::fromUtf8("あいう\r\nabc"));
    EXPECT_EQ(f.panel(3), "File Size 11 byte");
    EXPECT_EQ(f.panel(2), "logs a.txt ");
    EXPECT_TRUE(f.Command6->isEnabled());
    EXPECT_TRUE(f.Text1->isEnabled());
    EXPECT_EQ(f.windowTitle(), "SORAMIE");
    EXPECT_EQ(f.shownPath, h.root() + "/logs/a.txt");
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
}

TEST(Form1Display, bytes_are_shown_as_read_empty_files_lf_line_ends_and_undecodable_bytes)
{
    Form1Harness h;
    loadWith(h, {{"empty.txt", ""}, {"lf.txt", "a\nb\n"}, {"bad.txt", QByteArray("x\x82\x20y\x81", 5)}});
    auto& f = h.form();

    press(f, "empty.txt", Qt::LeftButton);
    f.Command1_Click();
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.panel(3), "File Size 0 byte");

    press(f, "lf.txt", Qt::LeftButton);
    f.Command1_Click();
    EXPECT_EQ(f.Text1->text(), "a\nb\n");

    press(f, "bad.txt", Qt::LeftButton);
    f.Command1_Click();
    const QString text = f.Text1->text();
    ASSERT_EQ(text.size(), 5);
    EXPECT_EQ(text[1].unicode(), 0xDC82);  // a lead byte without its trail byte
    EXPECT_EQ(text[4].unicode(), 0xDC81);  // a lone lead byte at the end
    EXPECT_EQ(f.panel(3), "File Size 5 byte");
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
}

TEST(Form1Display, a_file_that_cannot_be_read_reports_each_failed_step_and_is_not_remembered)
{
    Form1Harness h;
    loadWith(h, {{"a.txt", kSjis}, {"gone.txt", "x"}});
    auto& f = h.form();
    press(f, "a.txt", Qt::LeftButton);
    f.Command1_Click();
    ASSERT_EQ(f.shownPath, h.root() + "/logs/a.txt");

    press(f, "gone.txt", Qt::LeftButton);
    ASSERT_TRUE(QFile::remove(h.root() + "/logs/gone.txt"));
    f.Command1_Click();
    EXPECT_EQ(h.fakes.prompts.messageTexts(),
              (QStringList{"このファイルは開けません", "このファイルは開けません", "このファイルは開けません"}));
    for (const auto& m : h.fakes.prompts.messages) EXPECT_EQ(m.title, "エラー");
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_EQ(f.panel(3), "File Size  byte");
    EXPECT_EQ(f.panel(2), "logs gone.txt ");
    // The pane holds no file's bytes now: nothing may be saved over a.txt or gone.txt.
    EXPECT_TRUE(f.shownPath.isEmpty());
}

TEST(Form1Display, a_press_with_nothing_selected_does_nothing_with_either_button)
{
    Form1Harness h;
    loadWith(h, {{"a.txt", kSjis}});
    auto& f = h.form();
    f.Command1->hide();  // quick mode would show at once
    f.File1_MouseDown(Qt::RightButton, QPoint());
    f.File1_MouseDown(Qt::LeftButton, QPoint());
    EXPECT_TRUE(h.fakes.prompts.popups.empty());
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_TRUE(f.memonameM.isEmpty());
}

TEST(Form1Display, in_quick_mode_a_press_shows_the_file_at_once)
{
    Form1Harness h;
    loadWith(h, {{"a.txt", kSjis}});
    auto& f = h.form();
    f.Command1->hide();
    f.Flag = 2;
    press(f, "a.txt", Qt::LeftButton);
    EXPECT_EQ(f.Text1->text(), QString::fromUtf8("あいう\r\nabc"));
    EXPECT_EQ(f.Flag, 0);
    EXPECT_EQ(f.panel(3), "File Size 11 byte");
    EXPECT_TRUE(f.Command6->isEnabled());
    EXPECT_FALSE(f.Command1->isEnabled());
}

TEST(Form1Display, a_right_press_prepares_both_command_lines_and_shows_the_file_menu)
{
    Form1Harness h;
    loadWith(h, {{"a b.txt", kSjis}});
    auto& f = h.form();
    const QString path = h.root() + "/logs/a b.txt";

    press(f, "a b.txt", Qt::RightButton);
    EXPECT_EQ(f.memonameM, "xdg-open " + path);
    EXPECT_EQ(f.memoname, " " + path);
    EXPECT_EQ(f.memoFile, path);
    ASSERT_EQ(h.fakes.prompts.popups.size(), 1u);
    EXPECT_EQ(h.fakes.prompts.popups[0].visibleItems, (QStringList{"メモ帳で開く", "-", "削除"}));
    EXPECT_EQ(h.fakes.prompts.popups[0].globalPos, QPoint(10, 20));
    EXPECT_TRUE(f.Command1->isEnabled());  // then as for the left button

    f.pro = "/usr/bin/ed";
    f.mnuApp->setText("Editorで開く");
    f.mnuApp->setVisible(true);
    press(f, "a b.txt", Qt::RightButton);
    EXPECT_EQ(f.memoname, "/usr/bin/ed " + path);
    EXPECT_EQ(h.fakes.prompts.popups[1].visibleItems,
              (QStringList{"メモ帳で開く", "Editorで開く", "-", "削除"}));
}

TEST(Form1Display, the_chosen_popup_item_runs_before_the_press_goes_on)
{
    Form1Harness h;
    loadWith(h, {{"a.txt", kSjis}});
    auto& f = h.form();
    QStringList order;
    QObject::connect(f.mnudel, &QAction::triggered, [&] { order << "menu:" + QString::number(f.Command1->isEnabled()); });
    h.fakes.prompts.popupChoices = {"削除"};
    press(f, "a.txt", Qt::RightButton);
    order << "after:" + QString::number(f.Command1->isEnabled());
    EXPECT_EQ(order, (QStringList{"menu:0", "after:1"}));
}

TEST(Form1Display, wrap_rebreaks_the_pane_text_at_the_wrap_width_and_changes_nothing_else)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    f.Command12->click();  // an empty pane stays empty
    EXPECT_TRUE(f.Text1->text().isEmpty());

    f.Text1->setText(QString::fromUtf8("あいうえおかきくけこさしすせそ\r\n  abc  "));
    f.setPanel(2, "p2");
    f.Text6->setText("10");
    f.Command12->click();
    EXPECT_EQ(f.Text1->text(), QString::fromUtf8("あいうえおかきくけこ\r\nさしすせそ\r\nabc"));
    EXPECT_EQ(f.panel(2), "p2");
    EXPECT_EQ(f.windowTitle(), "SORAMIE");
}
