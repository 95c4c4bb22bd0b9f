// SPDX-License-Identifier: MIT
// The question before any command that would drop the pane's unsaved edits.
#include "support/main_window_harness.h"

using soramie::MainWindow;
using soramie::platform::Answer;
using namespace soramie::testing;

namespace {

// An undecodable lead byte before CR LF, the NEC-selected IBM code ED 40 (its
// character's preferred code is FA 5C) and a lone lead byte at the end.
const QByteArray kRaw("\x81\r\n\xed\x40\x87\x54\x81", 8);
const QString kAsk = QStringLiteral("確認|変更を保存しますか？");

QByteArray paneBytes(MainWindow& f)
{
    const std::string b = ui(f).pane->document()->bytesForSave();
    return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

// The commands that drop the pane's text. Once one goes on, the pane shows what
// it brought ("other" is b.txt), or the window and its dialogs are gone.
enum class Command { Display, QuickModeClick, Open, SearchHit, Clear, HtmlExport, HandOver, Exit, CloseWindow, Delete };

void run(MainWindowHarness& h, Command command)
{
    MainWindow& f = h.form();
    ui(f).fileList->selectFile("b.txt");
    f.loadSearchDialog().hitList->addItem(h.logs("b.txt"));
    dialogs(f).search->hitList->setCurrentRow(0);
    h.fakes.pickers.answers = {h.logs("b.txt")};
    switch (command) {
        case Command::Display:
            return f.showSelectedFile();
        case Command::QuickModeClick:
            ui(f).showButton->hide();
            return f.onFileListPressed(Qt::LeftButton, {});
        case Command::Open:
            return ui(f).openAction->trigger();
        case Command::SearchHit:
            viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
            return f.showSelectedFile();
        case Command::Clear:
            return f.clearPane();
        case Command::HtmlExport:
            return ui(f).exportHtmlAction->trigger();
        case Command::HandOver:
            return f.showHandedOverFile(h.logs("b.txt"));
        case Command::Exit:
            return f.quit();
        case Command::CloseWindow:
            f.close();
            return;
        case Command::Delete:
            return f.deleteTargetFile();
    }
}

QString state(MainWindow& f)
{
    if (!f.isVisible() || !dialogs(f).search) return "gone";
    const QByteArray pane = paneBytes(f);
    return pane.startsWith("<HTML>") ? "page" : pane == "x" + kRaw ? "edited" : QString::fromLatin1(pane);
}

TEST(MainWindowEdits, EveryCommandThatDropsTypedTextAsksToSaveFirst)
{
    const std::pair<Command, QString> commands[] = {{Command::Display, "other"},    {Command::QuickModeClick, "other"},
                                                    {Command::Open, "other"},       {Command::SearchHit, "other"},
                                                    {Command::Clear, ""},           {Command::HtmlExport, "page"},
                                                    {Command::HandOver, "other"},   {Command::Exit, "gone"},
                                                    {Command::CloseWindow, "gone"}, {Command::Delete, ""}};
    for (const auto& [command, wentOn] : commands) {
        for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(command) << " answered " << static_cast<int>(answer));
            MainWindowHarness h;
            auto& f = h.loadWith({{"a.txt", kRaw}, {"b.txt", "other"}});
            f.show();
            h.show("a.txt");
            QTest::keyClick(ui(f).pane, Qt::Key_X);
            // Delete asks its own question first.
            h.fakes.prompts.answers = {command == Command::Delete ? Answer::Yes : answer, answer};
            run(h, command);
            EXPECT_EQ(h.boxes().count(kAsk), 1);
            EXPECT_EQ(bytesOf(h.logs("a.txt")), answer == Answer::Yes ? "x" + kRaw : kRaw);
            EXPECT_EQ(state(f), answer == Answer::Cancel ? "edited" : wentOn);
            // (はい saves; after いいえ the window may go with the edits.)
            EXPECT_TRUE(answer == Answer::No || ui(f).pane->hasUnsavedEdits() == (answer == Answer::Cancel));
        }
    }
    // Wrap and replace rewrite the text without asking; saved text asks nothing.
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", kRaw}, {"b.txt", "other"}});
    h.show("a.txt");
    f.wrapPane();
    QTest::keyClick(ui(f).pane, Qt::Key_X);
    ui(f).saveAction->trigger();
    f.clearPane();
    EXPECT_EQ(h.boxes().count(kAsk), 0);
}

}  // namespace
