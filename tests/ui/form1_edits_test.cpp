// SPDX-License-Identifier: MIT
// Typing in the main window's pane: what a save writes, and the question before
// any command that would drop unsaved edits.
#include "support/form1_harness.h"

#include <functional>

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

TEST(Form1Edits, typed_text_is_saved_with_every_other_byte_as_read)
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

struct Path {
    const char* name;
    QList<Answer> before;  // answers to boxes the command asks first
    std::function<void(Form1Harness&)> run;
    std::function<bool(Form1Harness&)> wentOn;
};

TEST(Form1Edits, every_command_that_drops_typed_text_asks_to_save_first)
{
    const auto shows = [](const char* bytes) {
        return [bytes](Form1Harness& h) { return paneBytes(h.form()) == bytes; };
    };
    const auto pick = [](const char* name, void (Form1::*command)()) {
        return [name, command](Form1Harness& h) {
            h.form().File1->selectFile(name);
            (h.form().*command)();
        };
    };
    const auto trigger = [](QAction* Form1::*action) {
        return [action](Form1Harness& h) { (h.form().*action)->trigger(); };
    };
    const std::vector<Path> paths = {
        {"display", {}, pick("b.txt", &Form1::Command1_Click), shows("other")},
        {"quick-mode click",
         {},
         [](Form1Harness& h) {
             h.form().Command1->hide();
             h.form().File1->selectFile("b.txt");
             h.form().File1_MouseDown(Qt::LeftButton, {});
         },
         shows("other")},
        {"open",
         {},
         [](Form1Harness& h) {
             h.fakes.pickers.answers = {h.logs("b.txt")};
             h.form().appOpen->trigger();
         },
         shows("other")},
        {"search hit",
         {},
         [](Form1Harness& h) {
             h.form().loadForm3().List2->addItem(h.logs("b.txt"));
             h.form().form3->List2->setCurrentRow(0);
             h.form().Flag = 2;
             h.form().Command1_Click();
         },
         shows("other")},
        {"clear", {}, pick("a.txt", &Form1::Command6_Click), shows("")},
        {"HTML export",
         {},
         trigger(&Form1::appHt),
         [](Form1Harness& h) { return paneBytes(h.form()).startsWith("<HTML>"); }},
        {"hand-over", {}, [](Form1Harness& h) { h.form().showHandedOverFile(h.logs("b.txt")); }, shows("other")},
        {"exit",
         {},
         [](Form1Harness& h) {
             h.form().loadForm4();
             h.form().appExit_Click();
         },
         [](Form1Harness& h) { return h.form().form4.isNull(); }},
        {"window closed",
         {},
         [](Form1Harness& h) { h.form().close(); },
         [](Form1Harness& h) { return !h.form().isVisible(); }},
        {"delete", {Answer::Yes}, pick("b.txt", &Form1::Del), shows("")},
    };
    for (const Path& path : paths) {
        for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
            SCOPED_TRACE(::testing::Message() << path.name << " answered " << static_cast<int>(answer));
            Form1Harness h;
            auto& f = h.loadWith({{"a.txt", kRaw}, {"b.txt", "other"}});
            h.show("a.txt");
            QTest::keyClick(f.Text1, Qt::Key_X);
            h.fakes.prompts.answers = {path.before.begin(), path.before.end()};
            h.fakes.prompts.answers.push_back(answer);
            path.run(h);
            EXPECT_EQ(h.boxes().count(kAsk), 1);
            const QByteArray edited = "x" + kRaw;
            EXPECT_EQ(bytesOf(h.logs("a.txt")), answer == Answer::Yes ? edited : kRaw);
            if (answer == Answer::Cancel) {
                EXPECT_EQ(paneBytes(f), edited);
                EXPECT_TRUE(f.Text1->hasUnsavedEdits());
            } else {
                EXPECT_TRUE(path.wentOn(h));
            }
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
