// SPDX-License-Identifier: MIT
// Typing in the main window's pane: what a save writes, and the question before
// any command that would drop unsaved edits.
#include "support/form1_harness.h"

using soramie::Form1;
using soramie::platform::Answer;
using namespace soramie::testing;

namespace {

// An undecodable lead byte before CR LF, the NEC-selected IBM code ED 40 (its
// character's preferred code is FA 5C) and a lone lead byte at the end, with
// the typing between them.
const QByteArray kRaw("\x81\r\n\xed\x40\x87\x54\x81", 8);
const QString kAsk = QStringLiteral("確認|変更を保存しますか？");

QByteArray paneBytes(Form1& f)
{
    const std::string b = f.Text1->document()->bytesForSave();
    return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

TEST(Form1Edits, TypedTextIsSavedWithEveryOtherByteAsRead)
{
    Form1Harness h;
    auto& f = h.loadWith({{"raw.txt", kRaw}});
    h.show("raw.txt");
    f.Text1->setFocus();
    QTest::keyClick(f.Text1, Qt::Key_Down);
    QTest::keyClick(f.Text1, Qt::Key_Right);  // after ED 40
    QTest::keyClicks(f.Text1, QStringLiteral("ab"));
    QTest::keyClick(f.Text1, Qt::Key_Backspace);
    f.Text1->insertText(QString::fromUtf16(u"日"));
    QTest::keyClick(f.Text1, Qt::Key_End);
    QTest::keyClick(f.Text1, Qt::Key_Return);
    f.appWrite->trigger();
    EXPECT_EQ(bytesOf(h.logs("raw.txt")), QByteArray("\x81\r\n\xed\x40"
                                                     "a\x93\xfa\x87\x54\x81\r\n",
                                                     13));
    EXPECT_FALSE(f.Text1->hasUnsavedEdits());
    // Undone to the text as read and saved again: the file is as it was.
    while (f.Text1->canUndo()) f.Text1->undo();
    f.appWrite->trigger();
    EXPECT_EQ(bytesOf(h.logs("raw.txt")), kRaw);
}

// The commands that drop the pane's text. Once one goes on, the pane shows what
// it brought ("other" is b.txt), or the window and its dialogs are gone.
enum class Command { Display, QuickModeClick, Open, SearchHit, Clear, HtmlExport, HandOver, Exit, CloseWindow, Delete };

void run(Form1Harness& h, Command command)
{
    Form1& f = h.form();
    f.File1->selectFile("b.txt");
    f.loadForm3().List2->addItem(h.logs("b.txt"));
    f.form3->List2->setCurrentRow(0);
    h.fakes.pickers.answers = {h.logs("b.txt")};
    switch (command) {
        case Command::Display:
            return f.Command1_Click();
        case Command::QuickModeClick:
            f.Command1->hide();
            return f.File1_MouseDown(Qt::LeftButton, {});
        case Command::Open:
            return f.appOpen->trigger();
        case Command::SearchHit:
            f.Flag = 2;
            return f.Command1_Click();
        case Command::Clear:
            return f.Command6_Click();
        case Command::HtmlExport:
            return f.appHt->trigger();
        case Command::HandOver:
            return f.showHandedOverFile(h.logs("b.txt"));
        case Command::Exit:
            return f.appExit_Click();
        case Command::CloseWindow:
            f.close();
            return;
        case Command::Delete:
            return f.Del();
    }
}

QString state(Form1& f)
{
    if (!f.isVisible() || !f.form3) return "gone";
    const QByteArray pane = paneBytes(f);
    return pane.startsWith("<HTML>") ? "page" : pane == "x" + kRaw ? "edited" : QString::fromLatin1(pane);
}

TEST(Form1Edits, EveryCommandThatDropsTypedTextAsksToSaveFirst)
{
    const std::pair<Command, QString> commands[] = {{Command::Display, "other"},    {Command::QuickModeClick, "other"},
                                                    {Command::Open, "other"},       {Command::SearchHit, "other"},
                                                    {Command::Clear, ""},           {Command::HtmlExport, "page"},
                                                    {Command::HandOver, "other"},   {Command::Exit, "gone"},
                                                    {Command::CloseWindow, "gone"}, {Command::Delete, ""}};
    for (const auto& [command, wentOn] : commands) {
        for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(command) << " answered " << static_cast<int>(answer));
            Form1Harness h;
            auto& f = h.loadWith({{"a.txt", kRaw}, {"b.txt", "other"}});
            f.show();
            h.show("a.txt");
            QTest::keyClick(f.Text1, Qt::Key_X);
            // Delete asks its own question first.
            h.fakes.prompts.answers = {command == Command::Delete ? Answer::Yes : answer, answer};
            run(h, command);
            EXPECT_EQ(h.boxes().count(kAsk), 1);
            EXPECT_EQ(bytesOf(h.logs("a.txt")), answer == Answer::Yes ? "x" + kRaw : kRaw);
            EXPECT_EQ(state(f), answer == Answer::Cancel ? "edited" : wentOn);
            // (はい saves; after いいえ the window may go with the edits.)
            EXPECT_TRUE(answer == Answer::No || f.Text1->hasUnsavedEdits() == (answer == Answer::Cancel));
        }
    }
    // Wrap and replace rewrite the text without asking; saved text asks nothing.
    Form1Harness h;
    auto& f = h.loadWith({{"a.txt", kRaw}, {"b.txt", "other"}});
    h.show("a.txt");
    f.Command12_Click();
    QTest::keyClick(f.Text1, Qt::Key_X);
    f.appWrite->trigger();
    f.Command6_Click();
    EXPECT_EQ(h.boxes().count(kAsk), 0);
}

}  // namespace
