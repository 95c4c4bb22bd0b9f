// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
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
using soramie::testing::Form1Harness;
using soramie::testing::writeFile;

namespace {

// "タイムアウト" in CP932, and the same word in half-width katakana.
const QByteArray kFullWidth("\x83\x5e\x83\x43\x83\x80\x83\x41\x83\x45\x83\x67", 12);
const QByteArray kHalfWidth("\xc0\xb2\xd1\xb1\xb3\xc4", 6);

// A folder "logs" with hits in walk order: a.txt, sub/b.txt, sub/deep/c.txt;
// near misses (letter case, half-width form, empty file, hidden folder) and
// *.log files; the window's work folder is "logs".
struct SearchFixture {
    Form1Harness h;
    QString logs;

    SearchFixture()
    {
        logs = h.root() + "/logs";
        writeFile(logs + "/a.txt", "line 1\r\n" + kFullWidth + " occurred\r\n");
        writeFile(logs + "/case.txt", "OCCURRED " + kHalfWidth);
        writeFile(logs + "/empty.txt", "");
        writeFile(logs + "/z.log", kFullWidth);
        writeFile(logs + "/sub/b.txt", kFullWidth);
        writeFile(logs + "/sub/deep/c.txt", "x" + kFullWidth + "x");
        writeFile(logs + "/sub/deep/d.log", kFullWidth);
        writeFile(logs + "/.hidden/e.txt", kFullWidth);
        h.writeSettings("[main]\r\nlog = " + logs.toUtf8() + "\r\nprogram = /opt/ed --x\r\n");
        EXPECT_TRUE(h.load());
        form().appSword_Click();
        dialog().txtType->setText(keyword());
    }
    static QString keyword() { return QString::fromUtf8("タイムアウト"); }
    Form1& form() { return h.form(); }
    Form3& dialog() { return *form().form3; }
    QStringList results()
    {
        QStringList out;
        for (int i = 0; i < dialog().List2->count(); ++i) out << dialog().List2->item(i)->text();
        return out;
    }
    // Selects entry `row` and presses it with `button`, as a click on the list does.
    void pressEntry(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        dialog().List2->setCurrentRow(row);
        dialog().List2_MouseDown(button, QPoint(5, 5));
    }
};

TEST(Form3Search, finds_the_keyword_exactly_in_walk_order_and_counts_the_hits)
{
    SearchFixture s;
    Form3& d = s.dialog();
    d.Command4->click();
    EXPECT_EQ(s.results(), QStringList({s.logs + "/a.txt", s.logs + "/sub/b.txt", s.logs + "/sub/deep/c.txt"}));
    EXPECT_EQ(d.panel(2), QString::fromUtf8("3 件"));
    EXPECT_EQ(d.searchFiles.size(), 5u);  // a, case, empty, sub/b, sub/deep/c
    EXPECT_EQ(s.h.fakes.prompts.messageTexts(),
              QStringList({QString::fromUtf8("なるべくテキストファイルの少ないところで実行して下さい。実行しますか？")}));
    EXPECT_EQ(s.h.fakes.prompts.messages[0].title, QString::fromUtf8("警告"));
    EXPECT_EQ(d.ProgressBar1->value(), 0);
    EXPECT_TRUE(d.Command10->isEnabled());
    EXPECT_TRUE(d.Command4->isEnabled());
    EXPECT_TRUE(d.txtType->isEnabled());
    EXPECT_FALSE(s.form().Command1->isEnabled());
}

TEST(Form3Search, log_files_only_and_the_root_folder_only)
{
    SearchFixture s;
    Form3& d = s.dialog();
    d.Check4->setChecked(true);
    d.Command4_Click();
    EXPECT_EQ(s.results(), QStringList({s.logs + "/z.log", s.logs + "/sub/deep/d.log"}));

    d.Check1->setChecked(false);
    d.Command4_Click();
    EXPECT_EQ(s.results(), QStringList({s.logs + "/z.log"}));
    EXPECT_EQ(d.panel(2), QString::fromUtf8("1 件"));
}

TEST(Form3Search, a_folder_without_candidates_gives_0_hits_and_a_drive_root_keeps_one_separator)
{
    SearchFixture s;
    s.form().Dir1->setPath(s.h.homeFolder());
    s.dialog().Command4_Click();
    EXPECT_TRUE(s.results().isEmpty());
    EXPECT_EQ(s.dialog().panel(2), QString::fromUtf8("0 件"));

    // The root "/" (no subfolders, so only its own files are looked at).
    s.form().Dir1->setPath("/");
    s.dialog().Check1->setChecked(false);
    s.dialog().Command4_Click();
    for (const auto& path : s.dialog().searchFiles) EXPECT_FALSE(path.native().starts_with("//"));
}

TEST(Form3Search, an_empty_keyword_is_refused_outside_the_always_on_top_state)
{
    SearchFixture s;
    Form3& d = s.dialog();
    d.Command4->click();  // an earlier result
    d.txtType->clear();
    s.h.fakes.pickers.topmostCalls.clear();
    d.Command4_Click();
    EXPECT_EQ(s.h.fakes.prompts.messages.back().text, QString::fromUtf8("キーワードを入れて下さい"));
    EXPECT_EQ(s.h.fakes.prompts.messages.back().title, QString::fromUtf8("警告"));
    ASSERT_EQ(s.h.fakes.pickers.topmostCalls.size(), 2u);
    EXPECT_EQ(s.h.fakes.pickers.topmostCalls[0].window, &d);
    EXPECT_FALSE(s.h.fakes.pickers.topmostCalls[0].onTop);
    EXPECT_TRUE(s.h.fakes.pickers.topmostCalls[1].onTop);
    EXPECT_EQ(s.results().size(), 3);
    EXPECT_TRUE(d.searchFiles.empty());
    EXPECT_TRUE(d.Command10->isEnabled());
}

TEST(Form3Search, no_to_the_warning_keeps_the_old_results_and_yes_empties_the_list_first)
{
    SearchFixture s;
    Form3& d = s.dialog();
    d.Command4_Click();
    d.txtType->setText("occurred");
    bool buttonDisabledWhileAsking = false;
    s.h.fakes.prompts.onMessage = [&](const auto&) { buttonDisabledWhileAsking = !d.Command4->isEnabled(); };
    s.h.fakes.prompts.answers = {Answer::No};
    d.Command4_Click();
    EXPECT_TRUE(buttonDisabledWhileAsking);
    EXPECT_EQ(s.results().size(), 3);
    EXPECT_EQ(d.panel(2), QString::fromUtf8("3 件"));
    EXPECT_TRUE(d.Command4->isEnabled());

    d.Command4_Click();
    EXPECT_EQ(s.results(), QStringList({s.logs + "/a.txt"}));
}

TEST(Form3Search, the_windows_are_disabled_while_the_files_are_read_and_enabled_after)
{
    SearchFixture s;
    Form1& f = s.form();
    Form3& d = s.dialog();
    f.appOki_Click();
    f.loadForm2();
    std::vector<int> values;
    bool allDisabled = true;
    QObject::connect(d.ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        values.push_back(v);
        if (v > 0) allDisabled = allDisabled && !f.isEnabled() && !d.isEnabled() && !f.form4->isEnabled() &&
                                      !f.form2->isEnabled();
    });
    d.Command4_Click();
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 0);
    EXPECT_EQ(values[values.size() - 2], 100);
    EXPECT_TRUE(allDisabled);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end() - 1));
    EXPECT_TRUE(f.isEnabled());
    EXPECT_TRUE(d.isEnabled());
    EXPECT_TRUE(f.form4->isEnabled());
    EXPECT_TRUE(f.form2->isEnabled());
}

TEST(Form3Search, unloading_the_dialog_during_a_search_destroys_it_after_the_search)
{
    SearchFixture s;
    Form1& f = s.form();
    QPointer<Form3> dialog = f.form3;
    QObject::connect(dialog->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        if (v == 100) f.unloadForm3();
    });
    dialog->Command4_Click();
    EXPECT_TRUE(f.isEnabled());
    EXPECT_TRUE(f.form3.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST(Form3Search, unreadable_candidates_are_counted_after_the_hits)
{
    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
    SearchFixture s;
    const QString locked = s.logs + "/sub/locked.txt";
    writeFile(locked, kFullWidth);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    s.dialog().Command4_Click();
    EXPECT_EQ(s.dialog().panel(2), QString::fromUtf8("3 件 (読めないファイル 1)"));
}

TEST(Form3Search, clear_empties_the_list_and_keyword_and_resets_the_display_button)
{
    SearchFixture s;
    Form3& d = s.dialog();
    d.Command4_Click();
    s.pressEntry(0);
    EXPECT_EQ(s.form().Flag, 2);
    EXPECT_TRUE(s.form().Command1->isEnabled());
    d.Command10->click();
    EXPECT_EQ(d.List2->count(), 0);
    EXPECT_TRUE(d.txtType->text().isEmpty());
    EXPECT_EQ(s.form().Flag, 0);
    EXPECT_FALSE(s.form().Command1->isEnabled());
    EXPECT_FALSE(d.Command10->isEnabled());
}

TEST(Form3Open, the_display_button_shows_the_hit_with_the_keyword_selected)
{
    SearchFixture s;
    Form1& f = s.form();
    s.dialog().Command4_Click();
    s.pressEntry(0);
    EXPECT_TRUE(f.Text1->text().isEmpty());  // normal mode: the press only selects
    f.Command1->click();
    EXPECT_EQ(f.Text1->selectionStart(), 8);
    EXPECT_EQ(f.Text1->selectedText(), SearchFixture::keyword());
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("SORAMIE - タイムアウト -"));
    EXPECT_EQ(f.panel(2), "logs a.txt ");
    EXPECT_EQ(f.panel(3), "File Size 31 byte");
    EXPECT_EQ(f.focusWidget(), f.Text1);
    EXPECT_TRUE(s.h.fakes.prompts.messages.size() == 1);  // only the search's warning
}

TEST(Form3Open, a_hit_beyond_character_32767_is_selected)
{
    SearchFixture s;
    Form1& f = s.form();
    // 100,000 one-byte and 40,000 two-byte characters ("あ") before the hit.
    writeFile(s.logs + "/big.txt", QByteArray(100000, 'a') + QByteArray("\x82\xa0", 2).repeated(40000) + "timeout");
    s.dialog().txtType->setText("timeout");
    s.dialog().Command4_Click();
    ASSERT_EQ(s.results(), QStringList({s.logs + "/big.txt"}));
    s.pressEntry(0);
    f.Command1_Click();
    EXPECT_EQ(f.Text1->selectionStart(), 140000);
    EXPECT_EQ(f.Text1->selectionLength(), 7);
    EXPECT_EQ(s.h.fakes.prompts.messages.size(), 1u);
}

TEST(Form3Open, a_changed_or_vanished_hit_is_reported_and_nothing_is_selected)
{
    SearchFixture s;
    Form1& f = s.form();
    s.dialog().Command4_Click();
    writeFile(s.logs + "/a.txt", "no longer here");
    s.pressEntry(0);
    f.Command1_Click();
    EXPECT_EQ(s.h.fakes.prompts.messageTexts().mid(1), QStringList({QString::fromUtf8("このファイルは開けません")}));
    EXPECT_EQ(f.Text1->selectionLength(), 0);
    EXPECT_EQ(f.Text1->text(), "no longer here");

    QFile::remove(s.logs + "/sub/b.txt");
    s.h.fakes.prompts.messages.clear();
    s.pressEntry(1);
    f.Command1_Click();
    EXPECT_FALSE(s.h.fakes.prompts.messages.empty());
    for (const auto& m : s.h.fakes.prompts.messages) EXPECT_EQ(m.text, QString::fromUtf8("このファイルは開けません"));
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_TRUE(f.shownPath.isEmpty());
}

TEST(Form3Open, with_an_empty_result_list_or_no_entry_selected_the_display_button_disables_itself)
{
    SearchFixture s;
    Form1& f = s.form();
    f.Flag = 2;
    f.Command1->setEnabled(true);
    f.Command1_Click();
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_TRUE(s.h.fakes.prompts.messages.empty());

    s.dialog().Command4_Click();
    s.dialog().List2->clearSelection();
    f.Command1->setEnabled(true);
    f.Command1_Click();
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_EQ(s.h.fakes.prompts.messages.size(), 1u);  // the search's warning only
}

TEST(Form3Open, quick_mode_shows_at_once_and_selects_from_the_second_press_on)
{
    SearchFixture s;
    Form1& f = s.form();
    Form3& d = s.dialog();
    f.Command1->hide();  // quick mode
    d.Command4_Click();
    d.Command10_Click();  // Flag 0
    d.txtType->setText(SearchFixture::keyword());
    d.Command4_Click();

    s.pressEntry(2);
    EXPECT_EQ(f.Text1->text(), "x" + SearchFixture::keyword() + "x");
    EXPECT_EQ(f.Text1->selectionLength(), 0);
    EXPECT_EQ(f.panel(3), "        File Size 14 byte");
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("SORAMIE - タイムアウト -"));
    EXPECT_EQ(d.panel(2), "deep c.txt ");
    EXPECT_EQ(f.Flag, 2);
    EXPECT_TRUE(f.Command1->isEnabled());

    s.pressEntry(2);
    EXPECT_EQ(f.Text1->selectionStart(), 1);
    EXPECT_EQ(f.Text1->selectedText(), SearchFixture::keyword());
}

TEST(Form3Open, the_right_button_prepares_the_command_lines_and_pops_up_the_file_menu)
{
    SearchFixture s;
    Form1& f = s.form();
    Form3& d = s.dialog();
    d.Command4_Click();
    s.pressEntry(1, Qt::RightButton);
    const QString hit = s.logs + "/sub/b.txt";
    EXPECT_EQ(f.memonameM, Form1::notepadCommand() + " " + hit);
    EXPECT_EQ(f.memoname, "/opt/ed --x " + hit);
    EXPECT_EQ(f.memoFile, hit);
    EXPECT_EQ(f.pro, "/opt/ed --x");
    ASSERT_EQ(s.h.fakes.prompts.popups.size(), 1u);
    EXPECT_TRUE(s.h.fakes.prompts.popups[0].visibleItems.contains(QString::fromUtf8("メモ帳で開く")));
    EXPECT_EQ(f.Flag, 2);

    // No program configured any more, nothing selected, quick mode.
    s.h.writeSettings("[main]\r\nlog = " + s.logs.toUtf8() + "\r\n");
    f.Command1->hide();
    f.Text1->setText("old");
    d.List2->clearSelection();
    d.List2_MouseDown(Qt::RightButton, QPoint(1, 1));
    EXPECT_EQ(f.memonameM, Form1::notepadCommand() + " ");
    EXPECT_TRUE(f.pro.isEmpty());
    EXPECT_FALSE(f.mnuApp->isVisible());
    EXPECT_EQ(s.h.fakes.prompts.popups.size(), 2u);
    EXPECT_TRUE(f.Text1->text().isEmpty());
}

TEST(Form3Open, delete_from_the_hit_menu_removes_that_hit_not_the_file_list_selection)
{
    SearchFixture s;
    Form1& f = s.form();
    Form3& d = s.dialog();
    d.Command4_Click();
    ASSERT_TRUE(f.File1->selectFile("case.txt"));
    f.Command1->hide();  // quick mode
    s.h.fakes.prompts.popupChoices = {QString::fromUtf8("削除")};
    s.pressEntry(1, Qt::RightButton);
    EXPECT_FALSE(QFile::exists(s.logs + "/sub/b.txt"));
    EXPECT_TRUE(QFile::exists(s.logs + "/case.txt"));
    EXPECT_EQ(s.results(), QStringList({s.logs + "/a.txt", s.logs + "/sub/deep/c.txt"}));
    EXPECT_TRUE(f.Text1->text().isEmpty());  // no other hit is shown in its place
    EXPECT_EQ(f.Flag, 2);
}

TEST(Form3Menu, the_menu_command_opens_one_dialog_on_top_and_folder_changes_reach_its_status_bar)
{
    Form1Harness h;
    writeFile(h.root() + "/logs/sub/a.txt", "a");
    h.writeSettings("[main]\r\nlog = " + (h.root() + "/logs").toUtf8() + "\r\n");
    ASSERT_TRUE(h.load());
    Form1& f = h.form();
    ASSERT_FALSE(f.form3.isNull());  // created hidden by the start folder
    EXPECT_FALSE(f.form3->isVisible());
    EXPECT_EQ(f.form3->panel(1), h.root() + "/logs");
    f.Dir1->setPath(h.root() + "/logs/sub");
    EXPECT_EQ(f.form3->panel(1), h.root() + "/logs/sub");

    f.appSword->trigger();
    Form3* first = f.form3;
    first->txtType->setText("kept");
    f.appSword->trigger();
    EXPECT_EQ(f.form3, first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->txtType->text(), "kept");
    EXPECT_EQ(first->windowTitle(), QString::fromUtf8("検索"));
    EXPECT_EQ(first->parentWidget(), nullptr);
    ASSERT_EQ(h.fakes.pickers.topmostCalls.size(), 2u);
    EXPECT_TRUE(h.fakes.pickers.topmostCalls[1].onTop);

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.form3.isNull());
    f.appSword->trigger();
    EXPECT_EQ(f.form3->panel(1), h.root() + "/logs/sub");
    EXPECT_TRUE(f.form3->txtType->text().isEmpty());
    EXPECT_TRUE(f.form3->Check1->isChecked());
    EXPECT_FALSE(f.form3->Check4->isChecked());
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

    // "≒" has two codes (81 E0 and 87 90), so the text is searched.
    const auto nec = Document::fromBytes((QByteArray("\x82\xa0", 2).repeated(20) + "\x87\x90x").toStdString());
    for (std::uint64_t chunk : {16, 17, 41, 42, 1 << 20}) {
        const auto at = findFirstOccurrence(*nec, u"\u2252x", chunk);
        ASSERT_TRUE(at.has_value()) << chunk;
        EXPECT_EQ(at->value, 20u) << chunk;
    }

    // A large document is searched while it is still being indexed.
    std::string big(32 << 20, 'a');
    big.replace(10, 4, "head");
    big.replace(big.size() - 10, 6, "tail\x87\x90");
    const auto large = Document::fromBytes(std::move(big));
    EXPECT_EQ(findFirstOccurrence(*large, u"head")->value, 10u);
    EXPECT_EQ(findFirstOccurrence(*large, u"tail\u2252")->value, (32u << 20) - 10);
}

}  // namespace
