// SPDX-License-Identifier: MIT
#include "form1_files_fixture.h"
#include "support/topmost_log.h"
#include "ui/dialogs/find_keyword.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form3.h"
#include "ui/dialogs/form4.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

using soramie::Form1;
using soramie::Form3;
using soramie::platform::Answer;
using soramie::testing::boxes;
using soramie::testing::Form1Harness;
using soramie::testing::loadWith;
using soramie::testing::stacking;
using soramie::testing::windowState;
using soramie::testing::writeFile;

namespace {

// "タイムアウト" in CP932, and the same word in half-width katakana.
const QByteArray kFullWidth("\x83\x5e\x83\x43\x83\x80\x83\x41\x83\x45\x83\x67", 12);
const QByteArray kHalfWidth("\xc0\xb2\xd1\xb1\xb3\xc4", 6);
const QString kKeyword = QStringLiteral("タイムアウト");
const QString kAskFirst = QStringLiteral("警告|なるべくテキストファイルの少ないところで実行して下さい。実行しますか？");
const QString kCannotOpen = QStringLiteral("このファイルは開けません");

// A folder "logs" with hits in walk order: a.txt, sub/b.txt, sub/deep/c.txt;
// near misses (letter case, half-width form, empty file, hidden folder) and
// *.log files; the window's work folder is "logs".
class Form3Search : public ::testing::Test {
protected:
    Form1Harness h;
    QString logs = h.root() + "/logs";
    Form1& f = h.form();
    Form3* d = nullptr;

    Form3Search()
    {
        loadWith(h,
                 {{"a.txt", "line 1\r\n" + kFullWidth + " occurred\r\n"},
                  {"case.txt", "OCCURRED " + kHalfWidth},
                  {"empty.txt", ""},
                  {"z.log", kFullWidth},
                  {"sub/b.txt", kFullWidth},
                  {"sub/deep/c.txt", "x" + kFullWidth + "x"},
                  {"sub/deep/d.log", kFullWidth},
                  {".hidden/e.txt", kFullWidth}},
                 "program = /opt/ed --x\r\n");
        f.appSword_Click();
        d = f.form3;
        d->txtType->setText(kKeyword);
    }
    QStringList results() const
    {
        QStringList out;
        for (int i = 0; i < d->List2->count(); ++i) out << d->List2->item(i)->text();
        return out;
    }
    // The pane's selection as "start:text".
    QString selection() const { return QString::number(f.Text1->selectionStart()) + ":" + f.Text1->selectedText(); }
    // Selects entry `row` and presses it with `button`, as a click on the list does.
    void pressEntry(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        d->List2->setCurrentRow(row);
        d->List2_MouseDown(button, QPoint(5, 5));
    }
};
using Form3Open = Form3Search;

TEST_F(Form3Search, asks_first_then_lists_the_exact_hits_in_walk_order_and_clear_empties_the_list)
{
    d->Command4->click();
    EXPECT_EQ(results(), QStringList({logs + "/a.txt", logs + "/sub/b.txt", logs + "/sub/deep/c.txt"}));
    EXPECT_EQ(d->panel(2), "3 件");
    EXPECT_EQ(d->searchFiles.size(), 5u);  // a, case, empty, sub/b, sub/deep/c
    EXPECT_EQ(boxes(h), QStringList({kAskFirst}));
    EXPECT_TRUE(d->Command10->isEnabled() && d->Command4->isEnabled() && d->txtType->isEnabled());
    EXPECT_FALSE(f.Command1->isEnabled());

    pressEntry(0);
    ASSERT_TRUE(f.Flag == 2 && f.Command1->isEnabled());
    d->Command10->click();
    EXPECT_TRUE(d->List2->count() == 0 && d->txtType->text().isEmpty());
    EXPECT_EQ(f.Flag, 0);
    EXPECT_FALSE(f.Command1->isEnabled() || d->Command10->isEnabled());
}

TEST_F(Form3Search, the_checks_choose_log_files_and_the_root_folder_only_and_no_candidates_give_0_hits)
{
    d->Check4->setChecked(true);
    d->Command4_Click();
    EXPECT_EQ(results(), QStringList({logs + "/z.log", logs + "/sub/deep/d.log"}));
    d->Check1->setChecked(false);
    d->Command4_Click();
    EXPECT_EQ(results(), QStringList({logs + "/z.log"}));
    EXPECT_EQ(d->panel(2), "1 件");

    d->Check4->setChecked(false);
    f.Dir1->setPath(h.homeFolder());
    d->Command4_Click();
    EXPECT_TRUE(results().isEmpty());
    EXPECT_EQ(d->panel(2), "0 件");
    // At the root "/" the paths keep one separator.
    f.Dir1->setPath("/");
    d->Command4_Click();
    for (const auto& path : d->searchFiles) EXPECT_FALSE(path.native().starts_with("//"));
}

TEST_F(Form3Search, an_empty_keyword_or_no_to_the_warning_keeps_the_old_results_and_yes_empties_the_list_first)
{
    d->Command4->click();  // an earlier result
    d->txtType->clear();
    h.fakes.pickers.topmostCalls.clear();
    h.fakes.prompts.messages.clear();
    d->Command4_Click();
    EXPECT_EQ(boxes(h), QStringList({"警告|キーワードを入れて下さい"}));
    EXPECT_EQ(stacking(h.fakes.pickers, d), "-+");  // the box is shown outside the always-on-top state
    EXPECT_EQ(results().size(), 3);
    EXPECT_TRUE(d->searchFiles.empty() && d->Command10->isEnabled());

    d->txtType->setText("occurred");
    bool buttonDisabledWhileAsking = false;
    h.fakes.prompts.onMessage = [&](const auto&) { buttonDisabledWhileAsking = !d->Command4->isEnabled(); };
    h.fakes.prompts.answers = {Answer::No};
    d->Command4_Click();
    EXPECT_TRUE(buttonDisabledWhileAsking && d->Command4->isEnabled());
    EXPECT_EQ(results().size(), 3);
    EXPECT_EQ(d->panel(2), "3 件");
    d->Command4_Click();
    EXPECT_EQ(results(), QStringList({logs + "/a.txt"}));
}

TEST_F(Form3Search, the_windows_are_disabled_while_the_files_are_read_and_enabled_after)
{
    f.appOki_Click();
    f.loadForm2();
    const auto anyEnabled = [&] {
        return f.isEnabled() || d->isEnabled() || f.form4->isEnabled() || f.form2->isEnabled();
    };
    std::vector<int> values;
    bool enabledWhileReading = false;
    QObject::connect(d->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        values.push_back(v);
        if (v > 0) enabledWhileReading = enabledWhileReading || anyEnabled();
    });
    d->Command4_Click();
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ(std::vector<int>(values.end() - 2, values.end()), (std::vector<int>{100, 0}));
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end() - 1));
    EXPECT_FALSE(enabledWhileReading);
    EXPECT_TRUE(f.isEnabled() && d->isEnabled() && f.form4->isEnabled() && f.form2->isEnabled());
}

TEST_F(Form3Search, unloading_the_dialog_during_a_search_destroys_it_after_the_search)
{
    QPointer<Form3> dialog = f.form3;
    QObject::connect(dialog->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        if (v == 100) f.unloadForm3();
    });
    dialog->Command4_Click();
    EXPECT_TRUE(f.isEnabled() && f.form3.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(Form3Search, unreadable_candidates_are_counted_after_the_hits)
{
    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
    const QString locked = logs + "/sub/locked.txt";
    writeFile(locked, kFullWidth);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    d->Command4_Click();
    EXPECT_EQ(d->panel(2), "3 件 (読めないファイル 1)");
}

TEST_F(Form3Open, the_display_button_shows_the_selected_hit_with_the_keyword_selected_and_without_one_disables_itself)
{
    f.Flag = 2;
    for (const bool searched : {false, true}) {
        SCOPED_TRACE(searched ? "no entry selected" : "empty result list");
        if (searched) d->Command4_Click();
        d->List2->clearSelection();
        f.Command1->setEnabled(true);
        f.Command1_Click();
        EXPECT_FALSE(f.Command1->isEnabled());
        EXPECT_TRUE(f.Text1->text().isEmpty());
        EXPECT_EQ(h.fakes.prompts.messages.size(), searched ? 1u : 0u);  // the search's warning only
    }

    pressEntry(0);
    EXPECT_TRUE(f.Text1->text().isEmpty());  // normal mode: the press only selects
    f.Command1->click();
    EXPECT_EQ(selection(), "8:" + kKeyword);
    EXPECT_EQ(windowState(f), "SORAMIE - タイムアウト -|Total 3 Files(*.txt)|logs a.txt |File Size 31 byte");
    EXPECT_EQ(f.focusWidget(), f.Text1);
    EXPECT_EQ(boxes(h), QStringList({kAskFirst}));
}

TEST_F(Form3Open, a_hit_beyond_character_32767_is_selected)
{
    // 100,000 one-byte and 40,000 two-byte characters ("あ") before the hit.
    writeFile(logs + "/big.txt", QByteArray(100000, 'a') + QByteArray("\x82\xa0", 2).repeated(40000) + "timeout");
    d->txtType->setText("timeout");
    d->Command4_Click();
    ASSERT_EQ(results(), QStringList({logs + "/big.txt"}));
    pressEntry(0);
    f.Command1_Click();
    EXPECT_EQ(selection(), "140000:timeout");
    EXPECT_EQ(h.fakes.prompts.messages.size(), 1u);
}

TEST_F(Form3Open, a_changed_or_vanished_hit_is_reported_and_nothing_is_selected)
{
    d->Command4_Click();
    writeFile(logs + "/a.txt", "no longer here");
    pressEntry(0);
    f.Command1_Click();
    EXPECT_EQ(h.fakes.prompts.messageTexts().mid(1), QStringList({kCannotOpen}));
    EXPECT_EQ(f.Text1->text() + "|" + f.Text1->selectedText(), "no longer here|");

    QFile::remove(logs + "/sub/b.txt");
    h.fakes.prompts.messages.clear();
    pressEntry(1);
    f.Command1_Click();
    EXPECT_FALSE(h.fakes.prompts.messages.empty());
    for (const auto& m : h.fakes.prompts.messages) EXPECT_EQ(m.text, kCannotOpen);
    EXPECT_TRUE(f.Text1->text().isEmpty() && f.shownPath.isEmpty());
}

TEST_F(Form3Open, quick_mode_shows_at_once_and_selects_from_the_second_press_on)
{
    f.Command1->hide();  // quick mode
    d->Command4_Click();
    d->Command10_Click();  // Flag 0
    d->txtType->setText(kKeyword);
    d->Command4_Click();

    pressEntry(2);
    EXPECT_EQ(f.Text1->text(), "x" + kKeyword + "x");
    EXPECT_EQ(f.Text1->selectionLength(), 0);
    EXPECT_EQ(f.windowTitle() + "|" + f.panel(3) + "|" + d->panel(2),
              "SORAMIE - タイムアウト -|        File Size 14 byte|deep c.txt ");
    EXPECT_TRUE(f.Flag == 2 && f.Command1->isEnabled());

    pressEntry(2);
    EXPECT_EQ(selection(), "1:" + kKeyword);
}

TEST_F(Form3Open, the_right_button_prepares_the_command_lines_and_pops_up_the_file_menu)
{
    d->Command4_Click();
    pressEntry(1, Qt::RightButton);
    const QString hit = logs + "/sub/b.txt";
    EXPECT_EQ(f.memonameM + "|" + f.memoname + "|" + f.memoFile + "|" + f.pro,
              Form1::notepadCommand() + " " + hit + "|/opt/ed --x " + hit + "|" + hit + "|/opt/ed --x");
    ASSERT_EQ(h.fakes.prompts.popups.size(), 1u);
    EXPECT_TRUE(h.fakes.prompts.popups[0].visibleItems.contains("メモ帳で開く"));
    EXPECT_EQ(f.Flag, 2);

    // No program configured any more, nothing selected, quick mode.
    h.writeSettings("[main]\r\nlog = " + logs.toUtf8() + "\r\n");
    f.Command1->hide();
    f.Text1->setText("old");
    d->List2->clearSelection();
    d->List2_MouseDown(Qt::RightButton, QPoint(1, 1));
    EXPECT_EQ(f.memonameM + "|" + f.pro, Form1::notepadCommand() + " |");
    EXPECT_FALSE(f.mnuApp->isVisible());
    EXPECT_EQ(h.fakes.prompts.popups.size(), 2u);
    EXPECT_TRUE(f.Text1->text().isEmpty());
}

TEST_F(Form3Open, delete_from_the_hit_menu_removes_that_hit_not_the_file_list_selection)
{
    d->Command4_Click();
    ASSERT_TRUE(f.File1->selectFile("case.txt"));
    f.Command1->hide();  // quick mode
    h.fakes.prompts.popupChoices = {"削除"};
    pressEntry(1, Qt::RightButton);
    EXPECT_TRUE(!QFile::exists(logs + "/sub/b.txt") && QFile::exists(logs + "/case.txt"));
    EXPECT_EQ(results(), QStringList({logs + "/a.txt", logs + "/sub/deep/c.txt"}));
    EXPECT_TRUE(f.Text1->text().isEmpty());  // no other hit is shown in its place
    EXPECT_EQ(f.Flag, 2);
}

TEST(Form3Menu, the_menu_command_opens_one_dialog_on_top_and_folder_changes_reach_its_status_bar)
{
    Form1Harness h;
    const QString logs = h.root() + "/logs";
    Form1& f = loadWith(h, {{"sub/a.txt", "a"}});
    ASSERT_FALSE(f.form3.isNull());  // created hidden by the start folder
    EXPECT_FALSE(f.form3->isVisible());
    EXPECT_EQ(f.form3->panel(1), logs);
    f.Dir1->setPath(logs + "/sub");
    EXPECT_EQ(f.form3->panel(1), logs + "/sub");

    f.appSword->trigger();
    Form3* first = f.form3;
    first->txtType->setText("kept");
    f.appSword->trigger();
    EXPECT_EQ(f.form3, first);
    EXPECT_TRUE(first->isVisible() && first->txtType->text() == "kept");
    EXPECT_EQ(first->windowTitle(), "検索");
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_EQ(stacking(h.fakes.pickers, first), "++");

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.form3.isNull());
    f.appSword->trigger();
    EXPECT_EQ(f.form3->panel(1), logs + "/sub");
    EXPECT_TRUE(f.form3->txtType->text().isEmpty() && f.form3->Check1->isChecked() && !f.form3->Check4->isChecked());
}

// Occurrences across chunk boundaries, after double-byte and undecodable
// characters; byte matches that do not start a character do not count.
TEST(FindKeyword, finds_the_first_occurrence_in_characters_whatever_the_chunk_size)
{
    using soramie::Document;
    using soramie::findFirstOccurrence;
    // "あ" = 82 A0; 0x81 before a space is one undecodable character.
    const QByteArray prefix = QByteArray("\x82\xa0", 2).repeated(20) + QByteArray("\x81 yz", 4);
    const auto ascii = Document::fromBytes((prefix + "key" + "key").toStdString());
    EXPECT_EQ(findFirstOccurrence(*ascii, u"key")->value, 24u);
    EXPECT_FALSE(findFirstOccurrence(*ascii, u"kez").has_value());
    EXPECT_FALSE(findFirstOccurrence(*ascii, u"").has_value());

    // "ャー" = 83 83 81 5B holds the bytes of "メ" (83 81) across its characters.
    const auto kana = Document::fromBytes("\x83\x83\x81\x5b\x83\x81");
    EXPECT_EQ(findFirstOccurrence(*kana, u"\u30e1")->value, 2u);

    // "≒" has two codes (81 E0 and 87 90), so the text is searched->
    const auto nec = Document::fromBytes((QByteArray("\x82\xa0", 2).repeated(20) + "\x87\x90x").toStdString());
    for (std::uint64_t chunk : {16, 17, 41, 42, 1 << 20}) {
        const auto at = findFirstOccurrence(*nec, u"\u2252x", chunk);
        ASSERT_TRUE(at.has_value()) << chunk;
        EXPECT_EQ(at->value, 20u) << chunk;
    }

    // A large document is searched while it is still being indexed->
    std::string big(32 << 20, 'a');
    big.replace(10, 4, "head");
    big.replace(big.size() - 10, 6, "tail\x87\x90");
    const auto large = Document::fromBytes(std::move(big));
    EXPECT_EQ(findFirstOccurrence(*large, u"head")->value, 10u);
    EXPECT_EQ(findFirstOccurrence(*large, u"tail\u2252")->value, (32u << 20) - 10);
}

}  // namespace
