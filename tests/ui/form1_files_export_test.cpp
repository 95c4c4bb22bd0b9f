// SPDX-License-Identifier: MIT
// HTML export and program launches of the main window.
#include "form1_files_fixture.h"
#include "platform/qt_services.h"
#include "ui/dialogs/form3.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QToolButton>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using soramie::Form1;
using soramie::platform::Answer;
using namespace soramie::testing;

namespace {

const QByteArray kHead = "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n";
const QByteArray kTail = "</BODY>\r\n</HTML>";

// Exports the listed file `name`.
void exportFile(Form1& f, const QString& name)
{
    ASSERT_TRUE(f.File1->selectFile(name));
    f.appHt->trigger();
}

}  // namespace

TEST(Form1Export, writes_the_page_beside_the_source_and_shows_its_source_in_the_pane)
{
    Form1Harness h;
    auto& f = loadWith(
        h, {{"a.txt", "a<b>c&d"}, {"two.txt", "x<\r\ny>\r\n"}, {"raw.txt", QByteArray("\x82\xa0<\x81\r\n\xff", 7)}});
    f.Command6->setEnabled(false);
    f.Flag = 2;
    const QString title = f.windowTitle(), total = f.panel(1);

    exportFile(f, "a.txt");
    const QByteArray page = kHead + "a&lt;b&gt;c&d<BR>\r\n" + kTail;
    EXPECT_EQ(bytesOf(logs(h, "a.txt.html")), page);
    EXPECT_EQ(f.filea + f.shownPath, logs(h, "a.txt.html") + logs(h, "a.txt.html"));
    EXPECT_EQ(f.Text1->text(), QString::fromLatin1(page));
    EXPECT_EQ(windowState(f),
              title + "|" + total + "|logs a.txt.html |File Size " + QString::number(page.size()) + " byte");
    EXPECT_TRUE(f.Command6->isEnabled());
    EXPECT_EQ(f.Flag, 2);
    EXPECT_TRUE(h.fakes.prompts.messages.empty());  // no browser set: no question

    exportFile(f, "two.txt");
    EXPECT_EQ(bytesOf(logs(h, "two.txt.html")), kHead + "x&lt;<BR>\r\ny&gt;<BR>\r\n<BR>\r\n" + kTail);
    // Every source byte is kept, undecodable ones included.
    exportFile(f, "raw.txt");
    EXPECT_EQ(bytesOf(logs(h, "raw.txt.html")), kHead + QByteArray("\x82\xa0&lt;\x81<BR>\r\n\xff<BR>\r\n", 20) + kTail);
}

TEST(Form1Export, works_from_the_file_on_disk_overwrites_an_earlier_page_and_exports_a_page_again)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "one"}});
    f.File1->setPattern("*.*");
    f.File1->refresh();
    exportFile(f, "a.txt");
    writeFile(logs(h, "a.txt"), "two");
    f.Text1->setText("pane text is not exported");
    exportFile(f, "a.txt");
    EXPECT_EQ(bytesOf(logs(h, "a.txt.html")), kHead + "two<BR>\r\n" + kTail);
    f.File1->refresh();  // the export itself does not re-read the list
    exportFile(f, "a.txt.html");
    EXPECT_EQ(f.filea, logs(h, "a.txt.html.html"));
    EXPECT_TRUE(bytesOf(logs(h, "a.txt.html.html")).startsWith(kHead + "&lt;HTML&gt;<BR>\r\n&lt;HEAD&gt;<BR>\r\n"));
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
}

TEST(Form1Export, with_a_browser_set_asks_and_starts_it_with_the_page_as_one_argument)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"my file.txt", "x"}}, "browse = firefox --new-window\r\n");
    h.fakes.prompts.answers = {Answer::No, Answer::Yes};
    // The question comes once the page is shown, before the panels change.
    QString paneDuringQuestion;
    h.fakes.prompts.onMessage = [&](const auto&) { paneDuringQuestion = f.Text1->text(); };

    exportFile(f, "my file.txt");
    EXPECT_EQ(boxes(h), QStringList{"確認|ブラウザで確かめますか？"});
    EXPECT_TRUE(paneDuringQuestion.startsWith("<HTML>"));
    EXPECT_TRUE(h.fakes.launcher.starts.empty());
    EXPECT_EQ(f.panel(2), "logs my file.txt.html ");

    exportFile(f, "my file.txt");
    ASSERT_EQ(h.fakes.launcher.starts.size(), 1u);
    EXPECT_EQ(h.fakes.launcher.starts[0].commandLine + "|" + h.fakes.launcher.starts[0].filePath,
              "firefox --new-window|" + logs(h, "my file.txt.html"));

    // A browser that cannot start is reported; the export still completes.
    h.fakes.launcher.succeed = false;
    f.Command6->setEnabled(false);
    f.setPanel(2, "");
    exportFile(f, "my file.txt");
    ASSERT_EQ(boxes(h).size(), 4);
    EXPECT_TRUE(boxes(h)[3].startsWith("エラー|") && boxes(h)[3].contains("firefox"));
    EXPECT_EQ(f.panel(2), "logs my file.txt.html ");
    EXPECT_TRUE(f.Command6->isEnabled());
}

TEST(Form1Export, the_source_is_the_list_selection_else_the_selected_hit_and_failures_write_nothing)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "x"}, {"b.txt", "b<"}});
    f.Text1->setText("keep");
    // Nothing selected in the file list and no search dialog.
    f.appHt_Click();
    // Nothing selected in the file list nor in the search results.
    f.loadForm3().List2->addItem(logs(h, "a.txt"));
    f.appHt_Click();
    // A named pipe (here a search hit) is refused at once instead of blocking the window.
    ASSERT_EQ(::mkfifo(logs(h, "pipe.txt").toLocal8Bit().constData(), 0600), 0);
    f.form3->List2->addItem(logs(h, "pipe.txt"));
    f.form3->List2->setCurrentRow(1);
    f.appHt_Click();
    EXPECT_EQ(boxes(h), QStringList(3, "エラー|ファイルを指定して下さい"));
    EXPECT_EQ(f.Text1->text(), "keep");
    EXPECT_EQ(QDir(h.root() + "/logs").entryList(QDir::Files | QDir::System).size(), 3);

    // With no file list selection a selected hit is the source.
    f.form3->List2->setCurrentRow(0);
    f.appHt_Click();
    EXPECT_EQ(bytesOf(logs(h, "a.txt.html")), kHead + "x<BR>\r\n" + kTail);

    // A folder in the page's place: the write fails, the pane shows the source read.
    h.fakes.prompts.messages.clear();
    makeFolder(logs(h, "b.txt.html"));
    exportFile(f, "b.txt");
    ASSERT_EQ(boxes(h).size(), 1);
    EXPECT_TRUE(boxes(h)[0].startsWith("エラー|") && boxes(h)[0].contains("b.txt.html"));
    EXPECT_EQ(f.Text1->text(), "b<");
    EXPECT_EQ(f.shownPath, logs(h, "b.txt"));
    EXPECT_TRUE(QFileInfo(logs(h, "b.txt.html")).isDir());
}

TEST(Form1Launch, popup_items_start_the_opener_and_the_program_with_the_file_as_one_argument_or_say_why_not)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a b;c.txt", "x"}}, "program = /opt/ed --flag\r\nname = ed\r\n");
    ASSERT_TRUE(f.File1->selectFile("a b;c.txt"));
    h.fakes.prompts.popupChoices = {f.mnuMemo1->text(), f.mnuApp->text()};
    f.File1_MouseDown(Qt::RightButton, QPoint(1, 1));
    f.File1_MouseDown(Qt::RightButton, QPoint(1, 1));
    QStringList starts;
    for (const auto& s : h.fakes.launcher.starts) starts << s.commandLine + "|" + s.filePath;
    EXPECT_EQ(starts, (QStringList{Form1::notepadCommand() + "|" + logs(h, "a b;c.txt"),
                                   "/opt/ed --flag|" + logs(h, "a b;c.txt")}));
    EXPECT_EQ(f.memonameM, Form1::notepadCommand() + " " + logs(h, "a b;c.txt"));  // displayed text stays
    EXPECT_TRUE(h.fakes.prompts.messages.empty());

    // A program that cannot start is named in an error; nothing else changes.
    h.fakes.launcher.succeed = false;
    f.pro = "\"/no such/editor\" -x";
    const QString state = f.Text1->text() + f.panel(2) + f.panel(3);
    f.mnuApp_Click();
    ASSERT_EQ(boxes(h).size(), 1);
    EXPECT_TRUE(boxes(h)[0].startsWith("エラー|") && boxes(h)[0].contains("/no such/editor"));
    EXPECT_EQ(f.Text1->text() + f.panel(2) + f.panel(3), state);
}

// A real start: a recording program writes the arguments it got into a FIFO.
TEST(Form1Launch, hostile_file_names_reach_the_program_as_exactly_one_argument)
{
    Form1Harness h;
    const QString recorder = h.root() + "/rec.sh";
    writeFile(recorder, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\000' \"$a\"; done > \"$0.fifo\"\n");
    QFile::setPermissions(recorder, QFile::ReadOwner | QFile::ExeOwner);
    ASSERT_EQ(::mkfifo((recorder + ".fifo").toLocal8Bit().constData(), 0600), 0);

    soramie::platform::QtLauncher real;
    auto& fk = h.fakes;
    Form1 f({fk.prompts, fk.pickers, real, fk.instance, fk.drives, fk.tray, fk.app});
    f.pro = "\"" + recorder + "\" --opt";

    const QString names[] = {"/t/a b.txt", "/t/x; rm -rf y.txt", "/t/$(touch pwned) `id`.txt", "/t/-n.txt",
                             QString::fromUtf8("/t/日本語 \"q\" 'q' & | > .txt")};
    for (const QString& name : names) {
        const int fd = ::open((recorder + ".fifo").toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        f.memoFile = name;
        f.mnuApp_Click();
        // A FIFO no writer has opened yet does not poll as readable or hung up.
        QByteArray got;
        char buf[512];
        for (pollfd p{fd, POLLIN, 0}; ::poll(&p, 1, 10000) > 0;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, n);
        }
        ::close(fd);
        EXPECT_EQ(got, QByteArray("--opt") + '\0' + name.toUtf8() + '\0') << name.toStdString();
    }
    EXPECT_TRUE(fk.prompts.messages.empty());
    EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + "/pwned"));
}
