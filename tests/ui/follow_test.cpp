// SPDX-License-Identifier: MIT
// Following the shown file through the real watcher: appends, a rotation and a
// truncation of a real file in a temporary folder, waits bounded by conditions.
#include "support/main_window_harness.h"

#include "document/document.h"
#include "platform/file_watcher.h"

#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace soramie::testing {
namespace {

constexpr int kBoundMs = 5000;

void appendTo(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void writeNew(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

bool waitForText(TextPane& pane, const QString& text)
{
    return QTest::qWaitFor([&] { return pane.text() == text; }, kBoundMs);
}

// app.log of `count` numbered CR LF lines, shown in the window; `lines` gets its bytes.
MainWindow& showNumberedLog(MainWindowHarness& h, int count, QByteArray& lines)
{
    for (int i = 0; i < count; ++i) lines += "line " + QByteArray::number(i) + "\r\n";
    auto& f = h.loadWith({{"app.log", lines}});
    f.showFile(h.logs("app.log"));
    return f;
}

TEST(FileWatcher, SignalsAppendsARenameWithANewFileAndADeleteWithANewFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/a.log";
    writeNew(path, "one\n");
    platform::FileWatcher watcher;
    QSignalSpy spy(&watcher, &platform::FileWatcher::changed);
    watcher.watch(path.toStdString());
    EXPECT_FALSE(watcher.polling());
    const auto changedAfter = [&](const std::function<void()>& act) {
        spy.clear();
        act();
        return QTest::qWaitFor([&] { return !spy.isEmpty(); }, kBoundMs);
    };
    EXPECT_TRUE(changedAfter([&] { appendTo(path, "two\n"); }));
    EXPECT_TRUE(changedAfter([&] { ASSERT_EQ(std::rename(path.toLocal8Bit(), (path + ".1").toLocal8Bit()), 0); }));
    EXPECT_TRUE(changedAfter([&] { writeNew(path, "new\n"); }));
    // The new file is the one watched now.
    EXPECT_TRUE(changedAfter([&] { appendTo(path, "more\n"); }));
    EXPECT_TRUE(changedAfter([&] { QFile::remove(path); }));
    EXPECT_TRUE(changedAfter([&] { writeNew(path, "again\n"); }));
    EXPECT_TRUE(changedAfter([&] { appendTo(path, "and more\n"); }));
    watcher.watch({});
    spy.clear();
    appendTo(path, "unwatched\n");
    writeNew(path, "unwatched\n");
    QTest::qWait(50);  // a bound for events that must not come
    EXPECT_TRUE(spy.isEmpty());
}

TEST(MainWindowFollow, AppendsJoinTheShownDocumentAndTheViewKeepsTheEndInSightWhileFollowing)
{
    MainWindowHarness h;
    QByteArray lines;
    auto& f = showNumberedLog(h, 200, lines);
    TextPane& pane = *ui(f).pane;
    const auto* status = f.findChild<QLabel*>("followStatus");
    ASSERT_TRUE(status);
    EXPECT_FALSE(f.following());
    EXPECT_TRUE(status->text().isEmpty());
    ui(f).followAction->trigger();  // Ctrl+T
    EXPECT_TRUE(f.following());
    EXPECT_EQ(status->text(), "追跡中");
    QScrollBar* bar = pane.verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());

    // A partial line shows as it is, completed by the next write; a kanji split
    // across two writes shows whole once its second byte comes.
    for (const QByteArray& more :
         {QByteArray("new 1\r\nnew 2 (part"), QByteArray("ial) \x8A"), QByteArray("\xBF\r\nnew 3\r\n")}) {
        lines += more;
        appendTo(h.logs("app.log"), more);
        ASSERT_TRUE(waitForText(pane, QString::fromStdU16String(Document::fromBytes(lines.toStdString())->text())));
        EXPECT_EQ(bar->value(), bar->maximum());
    }
    EXPECT_EQ(f.panel(3), "File Size " + QString::number(lines.size()) + " byte");
    EXPECT_TRUE(pane.text().endsWith(u"(partial) 漢\r\nnew 3\r\n"));

    // Scrolled up: following pauses, and the status says so; at the end again it resumes.
    bar->setValue(0);
    appendTo(h.logs("app.log"), "paused\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.text().endsWith("paused\r\n"); }, kBoundMs));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(status->text(), "追跡一時停止 (Ctrl+Endで再開)");
    QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(status->text(), "追跡中");
    appendTo(h.logs("app.log"), "resumed\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.text().endsWith("resumed\r\n"); }, kBoundMs));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(h.boxes().isEmpty());

    // Saving after appends asks nothing: the pane holds every byte of the file.
    pane.setSelection(0, 0);
    pane.insertText("# ");
    ui(f).saveAction->trigger();
    EXPECT_TRUE(h.boxes().isEmpty()) << h.boxes().join(";").toStdString();
}

TEST(MainWindowFollow, ARotatedOrTruncatedFileIsShownAfreshUnlessEditedThenTheUserIsToldOnce)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"app.log", "old 1\r\nold 2\r\n"}});
    f.showFile(h.logs("app.log"));
    TextPane& pane = *ui(f).pane;
    const QString path = h.logs("app.log");
    ui(f).followAction->trigger();

    // mv + recreate: the new file from its start, still followed.
    ASSERT_EQ(std::rename(path.toLocal8Bit(), (path + ".1").toLocal8Bit()), 0);
    appendTo(path + ".1", "late line of the old file\r\n");
    writeNew(path, "fresh 1\r\n");
    ASSERT_TRUE(waitForText(pane, "fresh 1\r\n"));
    appendTo(path, "fresh 2\r\n");
    ASSERT_TRUE(waitForText(pane, "fresh 1\r\nfresh 2\r\n"));
    // delete + recreate: the same.
    ASSERT_TRUE(QFile::remove(path));
    writeNew(path, "recreated\r\n");
    ASSERT_TRUE(waitForText(pane, "recreated\r\n"));

    // copytruncate: cut in place, then written again (longer than before too).
    QFile::resize(path, 0);
    ASSERT_TRUE(waitForText(pane, ""));
    appendTo(path, "after the cut\r\n");
    ASSERT_TRUE(waitForText(pane, "after the cut\r\n"));
    QFile::resize(path, 0);
    appendTo(path, "cut and rewritten past the old size at once\r\n");
    ASSERT_TRUE(waitForText(pane, "cut and rewritten past the old size at once\r\n"));
    EXPECT_TRUE(h.boxes().isEmpty());

    // Edited: the text stays, the user is told once, nothing is taken in.
    pane.setSelection(0, 0);
    pane.insertText("mine ");
    const QString mine = pane.text();
    ASSERT_EQ(std::rename(path.toLocal8Bit(), (path + ".2").toLocal8Bit()), 0);
    writeNew(path, "replacement\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !h.boxes().isEmpty(); }, kBoundMs));
    appendTo(path, "more\r\n");
    QFile::resize(path, 0);
    appendTo(path, "more again\r\n");
    // The watcher has seen the writes once the later watcher of a spy has.
    platform::FileWatcher probe;
    QSignalSpy spy(&probe, &platform::FileWatcher::changed);
    probe.watch(path.toStdString());
    appendTo(path, "x\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !spy.isEmpty(); }, kBoundMs));
    QTest::qWait(50);
    EXPECT_EQ(pane.text(), mine);
    EXPECT_EQ(h.boxes(), QStringList{"情報|ファイルが置き換えられました。表示中の内容はそのまま残ります。"});
    // The save asks, as for any file changed since it was shown.
    h.fakes.prompts.answers = {platform::Answer::No};
    ui(f).saveAction->trigger();
    EXPECT_EQ(h.boxes().last(), "警告|表示後にファイルが変更されています。上書きしますか？");
}

TEST(MainWindowFollow, TheSizePanelKeepsTheUnitOfAnOpenedFileAsItGrowsAndIsReplaced)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"app.log", "one\r\n"}});
    const QString path = h.logs("app.log");
    h.fakes.pickers.answers = {path};
    ui(f).openAction->trigger();  // an opened file's size shows in KB
    ASSERT_EQ(f.panel(3), "File Size 0.005 KB");
    TextPane& pane = *ui(f).pane;
    appendTo(path, "two\r\n");
    ASSERT_TRUE(waitForText(pane, "one\r\ntwo\r\n"));
    EXPECT_EQ(f.panel(3), "File Size 0.01 KB");
    ASSERT_EQ(std::rename(path.toLocal8Bit(), (path + ".1").toLocal8Bit()), 0);
    writeNew(path, "three\r\n");
    ASSERT_TRUE(waitForText(pane, "three\r\n"));
    EXPECT_EQ(f.panel(3), "File Size 0.007 KB");
}

// A program that keeps its log open (as a daemon does) and writes to it while
// a save runs: from the moment a new file appears in the log's folder (the
// save's temporary file) it appends numbered lines through the descriptor it
// holds, and notes how many of them it finished while the log still had its
// name; after the log lost its name it writes a few more and stops.
class WriterDuringSave {
public:
    explicit WriterDuringSave(const QString& path)
    {
        const QByteArray native = path.toLocal8Bit();
        fd_ = ::open(native.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        watch_ = ::inotify_init1(IN_CLOEXEC);
        const QByteArray folder = native.left(native.lastIndexOf('/'));
        ::inotify_add_watch(watch_, folder.constData(), IN_CREATE);
        thread_ = std::thread([this] { run(); });
    }
    ~WriterDuringSave()
    {
        if (thread_.joinable()) thread_.join();
        ::close(watch_);
        ::close(fd_);
    }
    WriterDuringSave(const WriterDuringSave&) = delete;
    WriterDuringSave& operator=(const WriterDuringSave&) = delete;

    // Waits for the writer to stop; then the bytes it wrote, in order, and
    // how many of them were written before the log lost its name.
    void finish() { thread_.join(); }
    const QByteArray& written() const { return written_; }
    qsizetype writtenWhileNamed() const { return whileNamed_; }

private:
    void run()
    {
        pollfd p{watch_, POLLIN, 0};
        if (::poll(&p, 1, kBoundMs) <= 0) return;  // no save started
        int after = 0;
        for (int i = 0; i < 1'000'000 && after < 20; ++i) {
            const QByteArray line = "late " + QByteArray::number(i) + "\r\n";
            if (::write(fd_, line.constData(), static_cast<std::size_t>(line.size())) != line.size()) return;
            written_ += line;
            struct stat st {};
            ::fstat(fd_, &st);
            if (st.st_nlink > 0) {
                whileNamed_ = written_.size();
            } else {
                ++after;
            }
        }
    }

    int fd_ = -1;
    int watch_ = -1;
    QByteArray written_;
    qsizetype whileNamed_ = 0;
    std::thread thread_;
};

TEST(MainWindowFollow, ASaveWhileTheLogIsWrittenEndsWithEveryLineWrittenUntilItsFileIsInPlaceOnceInOrder)
{
    // Big enough that the save's write takes a while: the writer runs during it.
    QByteArray lines;
    for (int i = 0; lines.size() < (16 << 20); ++i) lines += "2026-01-01 old line " + QByteArray::number(i) + "\r\n";
    MainWindowHarness h;
    auto& f = h.loadWith({{"app.log", lines}});
    const QString path = h.logs("app.log");
    f.showFile(path);
    TextPane& pane = *ui(f).pane;
    ui(f).followAction->trigger();
    pane.document()->waitIndexed();
    pane.setSelection(0, 0);
    pane.insertText("# ");
    std::string scratch;
    const DocumentPtr shown = pane.document();
    const QByteArray held = QByteArray::fromStdString(std::string(shown->bytes(ByteOffset(0), shown->size(), scratch)));

    QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);  // the end in sight again
    WriterDuringSave writer(path);
    ui(f).saveAction->trigger();
    writer.finish();
    EXPECT_TRUE(h.boxes().isEmpty()) << h.boxes().join(";").toStdString();
    ASSERT_GT(writer.writtenWhileNamed(), 0) << "the writer wrote nothing while the save ran";

    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_TRUE(bytes.startsWith(held)) << "the saved file does not start with the pane's bytes";
    const QByteArray late = bytes.mid(held.size());
    // Every line written while the log had its name, then perhaps some written
    // just after: a beginning of what the writer wrote, nothing twice.
    EXPECT_GE(late.size(), writer.writtenWhileNamed());
    EXPECT_TRUE(writer.written().startsWith(late)) << "the late lines are not what the writer wrote, in order";
    // The pane goes on with the saved file, the carried lines in sight.
    EXPECT_TRUE(waitForText(pane, QString::fromStdU16String(Document::fromBytes(bytes.toStdString())->text())));
    EXPECT_EQ(pane.verticalScrollBar()->value(), pane.verticalScrollBar()->maximum());
}

TEST(MainWindowFollow, LinesAppendedWhileTheSaveAsksFollowThePanesTextInTheSavedFile)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"app.log", "one\r\ntwo\r\n"}});
    const QString path = h.logs("app.log");
    f.showFile(path);
    TextPane& pane = *ui(f).pane;
    ui(f).followAction->trigger();
    pane.setSelection(0, 0);
    pane.insertText("# ");
    const QByteArray held = "# one\r\ntwo\r\n";
    // One line the pane has not taken in when the save starts: the file
    // changed, and the user overwrites it. One more while the question is open:
    // written after the save began, it is kept.
    h.fakes.prompts.onMessage = [&](const platform::MessageRequest&) { appendTo(path, "while asked\r\n"); };
    appendTo(path, "before the save\r\n");
    ui(f).saveAction->trigger();
    EXPECT_EQ(h.boxes(), QStringList{"警告|表示後にファイルが変更されています。上書きしますか？"});
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), held + "while asked\r\n");
}

// A save puts a new file under the name and the pane moves on to it: typing
// goes on where the caret was, the view stays, and the edits before the save
// can still be undone.
TEST(MainWindowFollow, AfterASaveTypingGoesOnAtTheCaretAndTheEditsBeforeItStillUndo)
{
    MainWindowHarness h;
    QByteArray lines;
    auto& f = showNumberedLog(h, 300, lines);
    TextPane& pane = *ui(f).pane;
    pane.setSelection(lines.size() - 2, 0);  // before the last line break
    pane.insertText("A");
    QScrollBar* bar = pane.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int top = bar->value();
    const DocumentPtr before = pane.document();
    ui(f).saveAction->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.document() != before && pane.document()->indexed(); }, kBoundMs));
    EXPECT_EQ(bar->value(), top);
    pane.insertText("B");
    EXPECT_TRUE(pane.text().endsWith(u"line 299AB\r\n"));
    pane.undo();
    pane.undo();
    EXPECT_TRUE(pane.text().endsWith(u"line 299\r\n"));
    EXPECT_TRUE(h.boxes().isEmpty()) << h.boxes().join(";").toStdString();
}

}  // namespace
}  // namespace soramie::testing
