// SPDX-License-Identifier: MIT
// Save, save as, delete, HTML export and program launches of the main window, on real files.
#include "core/html_page.h"
#include "platform/file_names.h"
#include "platform/qt_services.h"
#include "support/main_window_harness.h"
#include "ui/common/pane_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include "support/address_space.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <cstdlib>

#include <functional>
#include <thread>

using soramie::MainWindow;
using soramie::platform::Answer;
using namespace soramie::testing;

namespace {

// CP932 with what a re-encoding would change: a lead byte without its trail
// before CR LF, an NEC-selected IBM code (0xED40, whose character is written
// as 0xFA5C when encoded), the single bytes 0xA0, 0xFD and 0x80, and a lone lead
// byte at the end.
const QByteArray kRaw("\x82\xa0\x81\r\n\xed\x40\x87\x54\xfa\x40\xa0\xfd\x80\x81", 15);
const QString kKept = "\n元のファイルは変更されていません。";

void makeReadOnly(const QString& path) { ::chmod(path.toLocal8Bit().constData(), 0444); }

// Another program writes into the file: appends (Append) or rewrites it in place (ReadWrite).
void writeInto(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode)
{
    QFile file(path);
    ASSERT_TRUE(file.open(mode));
    file.write(bytes);
}

// The HTML page of source.
QByteArray pageOf(const QByteArray& source)
{
    std::string page;
    soramie::appendHtmlPageBytes(source.toStdString(), page);
    return QByteArray::fromStdString(page);
}

// Lists hits/<name> in the search dialog for each name (created with the name
// as contents), the last one selected.
soramie::SearchDialog& listHits(MainWindowHarness& h, const QStringList& names)
{
    soramie::SearchDialog& search = h.form().loadSearchDialog();
    for (const QString& name : names) {
        writeFile(h.root() + "/hits/" + name, name.toUtf8());
        search.hitList->addItem(h.root() + "/hits/" + name);
    }
    search.hitList->setCurrentRow(search.hitList->count() - 1);
    return search;
}

// Exports the listed file name.
void exportFile(MainWindow& f, const QString& name)
{
    ASSERT_TRUE(ui(f).fileList->selectFile(name));
    ui(f).exportHtmlAction->trigger();
}

TEST(MainWindowSave, SaveWritesTheShownFileByteForByteAndSaveAsAppendsTxtUnlessItEndsInTxt)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"raw.txt", kRaw}, {"other.txt", "other"}});
    h.show("raw.txt");
    ASSERT_TRUE(ui(f).fileList->selectFile("other.txt"));  // selected, not shown
    const QString state = h.windowState();
    h.fakes.pickers.answers = {h.logs("memo"), h.logs("memo.TXT"), h.logs("b.txt"), ""};
    for (int i = 0; i < 4; ++i) ui(f).saveAsAction->trigger();
    EXPECT_EQ(bytesOf(h.logs("memo.txt")) + bytesOf(h.logs("memo.TXT.txt")) + bytesOf(h.logs("b.txt")),
              kRaw + kRaw + kRaw);
    EXPECT_EQ(h.windowState(), state);

    // A change in the middle re-encodes only the middle, into the file shown.
    const QString text = ui(f).pane->text();
    ui(f).pane->setText(text.left(3) + "X" + text.mid(3));
    ui(f).saveAction->trigger();
    EXPECT_EQ(bytesOf(h.logs("raw.txt")), kRaw.left(4) + "X" + kRaw.mid(4));
    EXPECT_EQ(bytesOf(h.logs("other.txt")), "other");

    // An empty pane writes nothing; text from no file (a failed display) is saved under a new name.
    ui(f).pane->clear();
    f.save();
    f.showFile(h.logs("gone.txt"));
    ui(f).pane->setText("abc");
    h.fakes.pickers.answers = {h.logs("new")};
    f.save();
    EXPECT_EQ(bytesOf(h.logs("new.txt")) + QByteArray::number(bytesOf(h.logs("raw.txt")).size()), "abc16");
    EXPECT_EQ(h.boxes(), QStringList(3, "エラー|このファイルは開けません"));
}

// (The write's steps and their cleanup are the safe write's own tests.)
TEST(MainWindowSave, AFailedSaveNamesTheFileAndKeepsTheOldFileAndThePane)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"ro.txt", "read only"}});
    makeReadOnly(h.logs("ro.txt"));
    h.show("ro.txt");
    ui(f).pane->setText("changed");
    f.save();
    EXPECT_EQ(h.boxes(),
              QStringList("エラー|「" + h.logs("ro.txt") +
                          "」に保存できませんでした。\n書き込みが許可されていません（読み取り専用です）。" + kKept));
    EXPECT_EQ(bytesOf(h.logs("ro.txt")) + "|" + ui(f).pane->text().toUtf8(), "read only|changed");
}

// Characters without a CP932 code, then a log that grew since it was shown:
// each is written only after a yes.
TEST(MainWindowSave, LostCharactersOrAFileThatChangedSinceItWasShownAreOverwrittenOnlyAfterAYes)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "abc"}, {"log.txt", "line 1\r\n"}});
    h.show("a.txt");
    ui(f).pane->setText(QString::fromUtf8("aéb😀"));
    h.fakes.prompts.answers = {Answer::No, Answer::Yes};
    f.save();
    const QByteArray kept = bytesOf(h.logs("a.txt"));
    f.save();
    EXPECT_EQ(kept + "|" + bytesOf(h.logs("a.txt")), "abc|a?b??");
    EXPECT_EQ(h.boxes(),
              QStringList(2, QString::fromUtf8(
                                 "警告|Shift-JIS で表せない文字が 2 個あります（最初の文字:「é」U+00E9）。\n"
                                 "これらの文字は「?」として書き込まれるため、保存すると失われます。保存しますか？")));

    h.fakes.prompts.messages.clear();
    h.show("log.txt");
    writeInto(h.logs("log.txt"), "line 2\r\n", QIODevice::Append);  // the program writing the log goes on
    h.fakes.prompts.answers = {Answer::No, Answer::Yes};
    f.save();
    EXPECT_EQ(bytesOf(h.logs("log.txt")), "line 1\r\nline 2\r\n");
    f.save();
    f.save();  // unchanged since the pane's own save: no question
    EXPECT_EQ(bytesOf(h.logs("log.txt")), "line 1\r\n");
    // Nor after edits since that save, or a save under another name meanwhile.
    ui(f).pane->insertText("x");
    h.fakes.pickers.answers = {h.logs("copy.txt")};
    f.saveAs();
    f.save();
    EXPECT_EQ(bytesOf(h.logs("log.txt")), "xline 1\r\n");
    EXPECT_EQ(h.boxes(), QStringList(2, "警告|表示後にファイルが変更されています。上書きしますか？"));
    EXPECT_EQ(h.fakes.prompts.messages.front().defaultAnswer, Answer::No);
}

// The question names the file; with nothing that may be deleted (nothing
// selected, a read-only file, a search hit no longer the target) the answer
// comes after it and nothing on disk or in the pane changes.
TEST(MainWindowDelete, AsksNamingTheFileAndOnYesRemovesItRefreshesTheListAndEmptiesThePane)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "abc"}, {"b.txt", "b"}, {"ro.txt", "r"}});
    listHits(h, {"h1.txt"});
    h.show("a.txt");
    h.fakes.prompts.answers = {Answer::No};
    ui(f).deleteFileAction->trigger();
    EXPECT_EQ(ui(f).pane->text(), "abc");
    ui(f).fileList->refresh();  // no selection
    f.deleteTargetFile();
    ASSERT_TRUE(ui(f).fileList->selectFile("ro.txt"));
    makeReadOnly(h.logs("ro.txt"));
    f.deleteTargetFile();
    // After the open command the search hit once shown is no longer the target.
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    h.fakes.pickers.answers = {h.logs("a.txt")};
    f.openFile();
    f.deleteTargetFile();
    EXPECT_TRUE(QFileInfo::exists(h.logs("ro.txt")) && QFileInfo::exists(h.root() + "/hits/h1.txt"));
    EXPECT_EQ(ui(f).pane->text(), "abc");

    h.show("a.txt");
    const QString state = h.windowState();
    ui(f).deleteFileAction->trigger();
    const QString ask = "削除|削除しますか？", none = "エラー|ファイルが指定されていません";
    EXPECT_EQ(h.boxes(), (QStringList{ask + "\n" + h.logs("a.txt"), ask, none, ask + "\n" + h.logs("ro.txt"), none, ask,
                                      none, ask + "\n" + h.logs("a.txt"), "完了|削除しました。"}));
    EXPECT_FALSE(QFileInfo::exists(h.logs("a.txt")));
    EXPECT_EQ(ui(f).fileList->names(), (QStringList{"b.txt", "ro.txt"}));
    EXPECT_TRUE(ui(f).pane->text().isEmpty() && !ui(f).showButton->isEnabled() && viewerState(f).shownPath.isEmpty());
    EXPECT_EQ(h.windowState(), state);
}

// shownFrom says where the shown file came from, not where the popup was opened:
// the popup's "削除" removes the file that was right-clicked.
TEST(MainWindowDelete, TheCommandDeletesTheSelectedHitAndThePopupTheFileItWasOpenedFor)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "abc"}, {"b.txt", "b"}, {"c.txt", "c"}});
    auto& search = listHits(h, {"h1.txt", "h2.txt", "h3.txt"});
    const auto exists = [&](const char* name) {
        return QFileInfo::exists(h.logs(name)) || QFileInfo::exists(h.root() + "/hits/" + name);
    };
    ASSERT_TRUE(ui(f).fileList->selectFile("a.txt"));
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    ui(f).deleteFileAction->trigger();  // the shown hit goes, with its entry
    EXPECT_TRUE(!exists("h3.txt") && exists("a.txt") && search.hitList->count() == 2);

    ASSERT_TRUE(ui(f).fileList->selectFile("b.txt"));  // from the file list while a hit is shown
    h.fakes.prompts.popupChoices = {"削除"};
    f.onFileListPressed(Qt::RightButton, QPoint(1, 1));
    EXPECT_TRUE(!exists("b.txt") && exists("h2.txt"));

    viewerState(f).shownFrom = soramie::ShownFrom::FileList;  // from the search results while a listed file is selected
    ASSERT_TRUE(ui(f).fileList->selectFile("c.txt"));
    h.fakes.prompts.popupChoices = {"削除"};
    search.hitList->setCurrentRow(0);
    search.onHitPressed(Qt::RightButton, QPoint(1, 1));
    EXPECT_TRUE(!exists("h1.txt") && exists("h2.txt") && exists("c.txt") && search.hitList->count() == 1);
}

// Panel 3 follows a save that changed the shown file's length, in the unit it
// was given in; a save as under another name leaves it.
TEST(MainWindowSave, ASaveThatChangesTheLengthUpdatesTheSizePanelInItsUnit)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "abc"}, {"big.txt", QByteArray(1500, 'x')}});
    h.show("a.txt");
    ui(f).pane->setText("abcde");
    h.fakes.pickers.answers = {h.logs("other.txt")};
    ui(f).saveAsAction->trigger();
    EXPECT_EQ(f.panel(3), "File Size 3 byte");
    ui(f).saveAction->trigger();
    EXPECT_EQ(f.panel(3), "File Size 5 byte");

    h.fakes.pickers.answers = {h.logs("big.txt")};
    f.openFile();
    EXPECT_EQ(f.panel(3), "File Size 1.5 KB");
    ui(f).pane->setText(QString(1234, 'y'));
    ui(f).saveAction->trigger();
    EXPECT_EQ(f.panel(3), "File Size 1.234 KB");
}

// The display button and a quick press on the result list show a hit by one
// routine: the same read, boxes and caption; the press selects the keyword only
// once the shown file came from the list, indents the size and leaves the main
// window's panel 2 alone.
TEST(MainWindowSearchHit, TheButtonAndAQuickPressShowAHitAlikeButForTheKeywordTheSizeAndPanel2)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "abc"}});
    auto& search = listHits(h, {"gone.txt", "h1.txt"});
    search.keywordField->setText("h1");
    ASSERT_TRUE(QFile::remove(h.root() + "/hits/gone.txt"));
    const auto shown = [&] {
        return ui(f).pane->text() + "|" + ui(f).pane->selectedText() + "|" + f.windowTitle() + "|" + f.panel(2) + "|" +
               f.panel(3);
    };
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    f.showSelectedFile();
    EXPECT_EQ(shown(), "h1.txt|h1|SORAMIE - h1 -|hits h1.txt |File Size 6 byte");

    ui(f).showButton->hide();
    viewerState(f).shownFrom = soramie::ShownFrom::FileList;
    f.setPanel(2, "kept");
    search.onHitPressed(Qt::LeftButton, QPoint());
    EXPECT_EQ(shown(), "h1.txt||SORAMIE - h1 -|kept|        File Size 6 byte");
    search.onHitPressed(Qt::LeftButton, QPoint());
    EXPECT_EQ(shown(), "h1.txt|h1|SORAMIE - h1 -|kept|        File Size 6 byte");
    EXPECT_EQ(search.panel(2), "hits h1.txt ");

    // A hit gone since the search: the same boxes either way, the pane empty.
    search.hitList->setCurrentRow(0);
    search.onHitPressed(Qt::LeftButton, QPoint());
    const QStringList quickBoxes = h.boxes();
    h.fakes.prompts.messages.clear();
    ui(f).showButton->show();
    f.showSelectedFile();
    EXPECT_EQ(quickBoxes, QStringList(3, "エラー|このファイルは開けません"));
    EXPECT_EQ(h.boxes(), quickBoxes);
    EXPECT_TRUE(ui(f).pane->text().isEmpty() && viewerState(f).shownPath.isEmpty());
}

// The page is made from the bytes on disk, not the pane; with a browser set the
// question comes after the page is shown and the browser gets the page as one argument.
TEST(MainWindowExport, WritesThePageBesideTheSourceShowsItAndOffersTheBrowser)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"my file.txt", "a<b>c&d"}}, "browse = firefox --new-window\r\n");
    ui(f).clearButton->setEnabled(false);
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    ui(f).pane->setText("pane text is not exported");
    h.fakes.prompts.answers = {Answer::No, Answer::Yes, Answer::Yes};
    QString paneDuringQuestion;
    h.fakes.prompts.onMessage = [&](const auto&) { paneDuringQuestion = ui(f).pane->text(); };
    exportFile(f, "my file.txt");
    const QByteArray page = pageOf("a<b>c&d");
    const QString html = h.logs("my file.txt.html");
    EXPECT_EQ(bytesOf(html), page);
    EXPECT_EQ(viewerState(f).lastExportPath + "|" + viewerState(f).shownPath + "|" + ui(f).pane->text() + "|" +
                  paneDuringQuestion,
              html + "|" + html + "|" + QString::fromLatin1(page) + "|" + QString::fromLatin1(page));
    EXPECT_TRUE(ui(f).clearButton->isEnabled() && viewerState(f).shownFrom == soramie::ShownFrom::SearchHit &&
                h.fakes.launcher.starts.isEmpty());
    exportFile(f, "my file.txt");
    EXPECT_EQ(h.fakes.launcher.starts, QStringList("firefox --new-window|" + html));

    // A browser that cannot start is reported; the export still completes.
    h.fakes.launcher.succeed = false;
    ui(f).clearButton->setEnabled(false);
    f.setPanel(2, "");
    exportFile(f, "my file.txt");
    const QString ask = "確認|ブラウザで確かめますか？";
    EXPECT_EQ(h.boxes(), QStringList({ask, ask, ask, "エラー|「firefox」を起動できませんでした。"}));
    EXPECT_TRUE(f.panel(2) == "logs my file.txt.html " && ui(f).clearButton->isEnabled());
}

TEST(MainWindowExport, TheSourceIsTheListSelectionElseTheSelectedHitAndFailuresWriteNothing)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "x"}, {"b.txt", "b<"}});
    ui(f).pane->setText("keep");
    f.exportHtml();  // nothing selected, no search dialog
    f.loadSearchDialog().hitList->addItem(h.logs("a.txt"));
    f.exportHtml();  // nothing selected in the search results either
    // A named pipe (here a search hit) is refused at once instead of blocking the window.
    ASSERT_EQ(::mkfifo(h.logs("pipe.txt").toLocal8Bit().constData(), 0600), 0);
    dialogs(f).search->hitList->addItem(h.logs("pipe.txt"));
    dialogs(f).search->hitList->setCurrentRow(1);
    f.exportHtml();
    EXPECT_EQ(h.boxes(), QStringList(3, "エラー|ファイルを指定して下さい"));
    EXPECT_EQ(ui(f).pane->text(), "keep");
    EXPECT_EQ(QDir(h.root() + "/logs").entryList(QDir::Files | QDir::System).size(), 3);

    dialogs(f).search->hitList->setCurrentRow(0);  // with no file list selection a selected hit is the source
    f.exportHtml();
    EXPECT_EQ(bytesOf(h.logs("a.txt.html")), pageOf("x"));

    // A folder in the page's place: the write fails, the pane shows the source
    // read and the clear button can empty it.
    h.fakes.prompts.messages.clear();
    makeFolder(h.logs("b.txt.html"));
    ui(f).clearButton->setEnabled(false);
    exportFile(f, "b.txt");
    EXPECT_TRUE(ui(f).clearButton->isEnabled());
    EXPECT_EQ(h.boxes(), QStringList("エラー|「" + h.logs("b.txt.html") +
                                     "」に保存できませんでした。\n同じ名前のフォルダがあります。" + kKept));
    EXPECT_EQ(ui(f).pane->text() + "|" + viewerState(f).shownPath, "b<|" + h.logs("b.txt"));
}

// A real start: a recording program writes the arguments it got into a FIFO.
TEST(MainWindowLaunch, HostileFileNamesReachTheProgramAsExactlyOneArgument)
{
    MainWindowHarness h;
    const QString recorder = h.root() + "/rec.sh";
    writeFile(recorder, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\000' \"$a\"; done > \"$0.fifo\"\n");
    QFile::setPermissions(recorder, QFile::ReadOwner | QFile::ExeOwner);
    ASSERT_EQ(::mkfifo((recorder + ".fifo").toLocal8Bit().constData(), 0600), 0);
    soramie::platform::QtLauncher real;
    auto& fk = h.fakes;
    MainWindow f({fk.prompts, fk.pickers, real, fk.instance, fk.drives, fk.tray, fk.app});
    viewerState(f).settings.programCommand = "\"" + recorder + "\" --opt";

    for (const QString& name :
         {QString("/t/x; rm -rf y.txt"), QString("/t/$(touch pwned) `id`.txt"), QString("/t/-n.txt"),
          QString::fromUtf8("/t/日本語 \"q\" 'q' & | > .txt"), soramie::fromNativePath("/t/\x83\x8d\x83\x4f.txt")}) {
        const int fd = ::open((recorder + ".fifo").toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        viewerState(f).popupFile = name;
        f.openPopupFileInProgram();
        // A FIFO no writer has opened yet does not poll as readable or hung up.
        QByteArray got;
        char buf[512];
        for (pollfd p{fd, POLLIN, 0}; ::poll(&p, 1, 10000) > 0;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, n);
        }
        ::close(fd);
        EXPECT_EQ(got, QByteArray("--opt") + '\0' + QByteArray::fromStdString(soramie::toNativePath(name)) + '\0')
            << name.toStdString();
    }
    EXPECT_TRUE(fk.prompts.messages.empty());
    EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + "/pwned"));
}

// The save's write and a search hit's keyword search run as commands: events
// posted before they start are delivered while their work runs, so a second
// command tried then is refused, and their work's progress reaches the end.
TEST(MainWindowCommands, ASaveAndAHitDisplayReportProgressAndRefuseASecondCommand)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "old"}});
    h.show("a.txt");
    listHits(h, {"hit.txt"}).keywordField->setText("key");  // not in the hit
    QStringList seen;
    const auto during = [&] {
        QMetaObject::invokeMethod(
            &f,
            [&] {
                const auto second =
                    soramie::runPaneCommand(*ui(f).pane, [](auto&, auto&) { return soramie::DocumentPtr(); });
                int progress = 0;
                while ((progress = soramie::runningCommandProgress()) >= 0 && progress < 1000)
                    std::this_thread::yield();
                seen << QString(second == soramie::CommandOutcome::Busy ? "refused %1" : "ran %1").arg(progress);
            },
            Qt::QueuedConnection);
    };
    ui(f).pane->setText("new");
    during();
    ui(f).saveAction->trigger();
    seen << "saved";
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    during();
    f.showSelectedFile();
    EXPECT_EQ(seen, QStringList({"refused 1000", "saved", "refused 1000"}));
    EXPECT_EQ(bytesOf(h.logs("a.txt")) + "|" + ui(f).pane->text().toUtf8(), "new|hit.txt");
    EXPECT_EQ(h.boxes(), QStringList({"エラー|このファイルは開けません"}));
}

const QString kChanged = "警告|表示後にファイルが変更されています。上書きしますか？";

// Every way the pane comes to show a document derived from the shown file
// keeps the stamp of what was read: a line the log's writer appends later is
// never overwritten without the question.
TEST(MainWindowSave, EveryDocumentDerivedFromTheShownFileAsksBeforeOverwritingAnAppendedLine)
{
    using Path = std::function<void(MainWindowHarness&, MainWindow&)>;
    const auto replace = [](MainWindow& f, soramie::ReplaceMode mode, const QString& find, const QString& with) {
        f.setReplaceMode(mode);
        soramie::ReplaceDialog& r = f.loadReplaceDialog();
        r.findOrStartField->setText(find);
        if (mode == soramie::ReplaceMode::Range) r.endField->setText("1");
        r.replacementField->setText(with);
        r.replaceAll();
    };
    const std::vector<std::pair<const char*, Path>> paths = {
        {"wrap", [](auto&, MainWindow& f) { f.wrapPane(); }},
        {"simple replace", [&](auto&, MainWindow& f) { replace(f, soramie::ReplaceMode::Simple, "line", "LINE"); }},
        {"range replace", [&](auto&, MainWindow& f) { replace(f, soramie::ReplaceMode::Range, "l", "x"); }},
        {"typing", [](auto&, MainWindow& f) { ui(f).pane->insertText("x"); }},
        {"wrap, undo, redo",
         [](auto&, MainWindow& f) {
             f.wrapPane();
             ui(f).pane->undo();
             ui(f).pane->redo();
         }},
        {"paste",
         [](auto&, MainWindow& f) {
             ui(f).pane->selectAll();
             ui(f).pane->copy();
             ui(f).pane->paste();
         }},
        {"search hit",
         [](MainWindowHarness& h, MainWindow& f) {
             soramie::SearchDialog& search = f.loadSearchDialog();
             search.hitList->addItem(h.logs("log.txt"));
             search.hitList->setCurrentRow(0);
             search.keywordField->setText("line");
             viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
             f.showSelectedFile();
         }},
        {"drop", [](MainWindowHarness& h, MainWindow& f) { f.showFileFromOutside(h.logs("log.txt")); }},
    };
    for (const auto& [name, path] : paths) {
        SCOPED_TRACE(name);
        MainWindowHarness h;
        auto& f = h.loadWith({{"log.txt", "line 1\r\n"}});
        h.show("log.txt");
        path(h, f);
        writeInto(h.logs("log.txt"), "line 2\r\n", QIODevice::Append);
        h.fakes.prompts.messages.clear();
        h.fakes.prompts.answers = {Answer::No};
        f.save();
        EXPECT_EQ(h.boxes(), QStringList({kChanged}));
        EXPECT_EQ(bytesOf(h.logs("log.txt")), "line 1\r\nline 2\r\n");
    }
}

// A file rewritten in place under the pane: a command and a save refuse and
// keep the text; an unedited pane then shows the file afresh.
TEST(MainWindowSave, AFileChangedInPlaceIsNeitherRewrittenNorSavedAndIsReadAfresh)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "line 1\r\nline 2\r\n"}});
    h.show("a.txt");
    writeInto(h.logs("a.txt"), "LINE 1\r\nLINE 2\r\n", QIODevice::ReadWrite);
    f.wrapPane();
    h.fakes.pickers.answers = {h.logs("copy.txt")};
    f.saveAs();
    EXPECT_FALSE(QFileInfo::exists(h.logs("copy.txt")));
    ASSERT_EQ(h.boxes().size(), 2);
    EXPECT_EQ(h.boxes()[0],
              "エラー|表示中のファイルが外部で変更されたため、処理できません。\n表示中の内容は変わりません。");
    EXPECT_TRUE(h.boxes()[1].startsWith("エラー|表示中のファイルが外部で変更されたため、「"));
    // Found by the checks: read afresh, and the status bar says so.
    ui(f).pane->refresh();
    QTRY_COMPARE_WITH_TIMEOUT(f.loadStatus(), QString("外部の変更を読み込み直しました"), 5000);
    EXPECT_EQ(ui(f).pane->text(), "LINE 1\r\nLINE 2\r\n");

    // A file read afresh in the background says so still when it is read to its end.
    QByteArray big;
    while (big.size() < (32 << 20)) big += "a log line of the larger file\r\n";
    ASSERT_TRUE(writeFile(h.logs("big.txt"), big));
    f.showFile(h.logs("big.txt"));
    soramie::TextPane& pane = *ui(f).pane;
    const soramie::DocumentPtr before = pane.document();
    QTRY_COMPARE_WITH_TIMEOUT(f.loadStatus(), QString("読み込み完了"), 10000);
    QSignalSpy indexed(&pane, &soramie::TextPane::indexProgress);
    writeInto(h.logs("big.txt"), "A LOG", QIODevice::ReadWrite);
    // Read again (for the screen, a command or a save), the first block is found changed.
    EXPECT_EQ(before->verify(soramie::ByteOffset(0), soramie::ByteOffset(5)), soramie::Integrity::Changed);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return pane.document() != before && !indexed.isEmpty() && indexed.last()[0] == indexed.last()[1]; },
        10000));
    EXPECT_EQ(f.loadStatus(), "外部の変更を読み込み直しました");
    EXPECT_TRUE(pane.text().startsWith("A LOG"));
}

// An edited file larger than the private copy changed in place: told once,
// the typed text stays, and nothing unverified is written.
TEST(MainWindowSave, AnEditedLargeFileChangedInPlaceIsToldOnceAndNotSaved)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"big.txt", ""}});
    const std::uint64_t size = soramie::Document::kPrivateCopyMax + 4096;
    ASSERT_EQ(::truncate(h.logs("big.txt").toLocal8Bit().constData(), static_cast<off_t>(size)), 0);
    f.showFile(h.logs("big.txt"));
    ui(f).pane->insertText("typed");
    writeInto(h.logs("big.txt"), "written by another program", QIODevice::ReadWrite);
    const soramie::DocumentPtr edited = ui(f).pane->document();
    ui(f).pane->refresh();
    QTRY_COMPARE_WITH_TIMEOUT(f.loadStatus(), QString("ファイルが外部で変更されました"), 5000);
    ui(f).pane->refresh();
    QCoreApplication::processEvents();
    ASSERT_EQ(h.boxes().size(), 1);
    EXPECT_TRUE(h.boxes()[0].startsWith("警告|表示中のファイルが外部で変更されました。"));
    f.save();
    ASSERT_EQ(h.boxes().size(), 2);
    EXPECT_TRUE(h.boxes()[1].startsWith("エラー|表示中のファイルが外部で変更されたため、「"));
    EXPECT_EQ(ui(f).pane->document(), edited);
    EXPECT_TRUE(ui(f).pane->hasUnsavedEdits());
    EXPECT_TRUE(bytesOf(h.logs("big.txt")).startsWith("written by another program"));
}

TEST(MainWindowPane, ACopyRefusedOrOutOfMemoryIsToldInABox)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "abc"}});
    emit ui(f).pane->copyRefused(1);
    emit ui(f).pane->outOfMemory();
    EXPECT_EQ(h.boxes(), QStringList({"エラー|選択範囲が大きすぎるため、クリップボードにコピーできません。",
                                      "エラー|メモリが足りません"}));
}

// A file larger than the address space left is told as a lack of memory, not
// as a file that cannot be opened; the window stays as it was.
TEST(MainWindowOpen, AFileLargerThanTheMemoryLeftSaysSo)
{
    if (kSanitized) GTEST_SKIP() << "address space limits do not apply under sanitizers";
    MainWindowHarness h;
    auto& f = h.loadWith({{"big.txt", ""}, {"a.txt", "abc"}});
    h.show("a.txt");
    ASSERT_EQ(::truncate(h.logs("big.txt").toLocal8Bit().constData(), off_t{1} << 30), 0);
    const auto openUnderALimit = [&] {
        limitAddressSpace(std::uint64_t{256} << 20);
        const bool shown = f.showFileFromOutside(h.logs("big.txt"));
        const bool told = h.boxes() == QStringList({"エラー|メモリが足りません"});
        std::_Exit(!shown && told && ui(f).pane->text() == "abc" ? 0 : 1);
    };
    EXPECT_EXIT(openUnderALimit(), ::testing::ExitedWithCode(0), "");
}

// A large file indexed in the background: the status note says when it is read.
TEST(MainWindowDisplay, TheStatusNoteSaysWhenALargeFileIsRead)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"big.txt", ""}, {"a.txt", "abc"}});
    ASSERT_EQ(::truncate(h.logs("big.txt").toLocal8Bit().constData(), off_t{512} << 20), 0);
    f.showFile(h.logs("big.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(f.loadStatus(), QString("読み込み完了"), 30000);
    h.show("a.txt");
    EXPECT_EQ(f.loadStatus(), "");
}

}  // namespace
