// SPDX-License-Identifier: MIT
// Files that reach the main window from outside: the command line, a second
// start (the hand-over socket), a drop from a file manager.
#include "app/command_line.h"
#include "app/hand_over.h"
#include "support/main_window_harness.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMimeData>
#include <QUrl>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>

using soramie::app::CommandLine;
using soramie::app::parseCommandLine;
using namespace soramie::testing;
using namespace std::chrono_literals;

namespace {

TEST(CommandLine, HelpWinsOverMistakesAndOneFileIsTakenAsGivenEvenAsAFileUrl)
{
    using Action = CommandLine::Action;
    const std::tuple<QList<QByteArray>, Action, QByteArray> cases[] = {
        {{"--", "--help"}, Action::Run, "--help"},  // after "--" a name that looks like an option is a file
        {{"a.txt", "--bogus", "b.txt", "--help"}, Action::Help, ""},
    };
    for (const auto& [args, action, file] : cases) {
        const CommandLine line = parseCommandLine(args);
        EXPECT_TRUE(line.action == action && line.file == file) << args.join(' ').constData();
    }
    // The window system's options are left to it, so mistakes show without a display.
    EXPECT_EQ(soramie::app::withoutToolkitOptions(
                  {"-platform", "offscreen", "--display", ":1", "-style=fusion", "-reverse", "a.txt", "--", "-sync"}),
              (QList<QByteArray>{"a.txt", "--", "-sync"}));
    EXPECT_EQ(soramie::app::fileArgumentPath("file:///data/%82%A0.txt"), "/data/\x82\xa0.txt");
}

// A receiver on a socket in a temporary folder that records what it gets.
struct Receiving {
    QTemporaryDir dir;
    QString socket = dir.path() + "/soramie.socket";
    QList<QByteArray> received;
    soramie::app::FileReceiver receiver{socket, [this](const QByteArray& path) { received << path; }};
};

// Runs `work` on another thread while this one runs the receiver's event loop.
template <class Work>
auto whileReceiving(Work work)
{
    auto done = std::async(std::launch::async, work);
    while (done.wait_for(0ms) != std::future_status::ready) QTest::qWait(5);
    return done.get();
}
bool send(const QString& socket, const QByteArray& path)
{
    return whileReceiving([&] { return soramie::app::sendFile(socket, path, 5s); });
}

// Malformed messages, written raw as a misbehaving client would, never reach the window.
TEST(HandOver, AnyPathFromASecondStartReachesTheRunningProgramByteForByteAndNothingMalformedDoes)
{
    Receiving r;
    EXPECT_FALSE(soramie::app::sendFile(r.socket, "/a.txt", 200ms)) << "nobody listens yet";
    QFile stale(r.socket);  // left by a program that died
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    ASSERT_TRUE(r.receiver.listen());
    const auto framed = [](const QByteArray& path) {
        const auto n = static_cast<quint32>(path.size());
        const char prefix[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
        return QByteArray(prefix, 4) + path;
    };
    for (const QByteArray& bad :
         {framed("relative/a.txt"), framed("/unfinished").chopped(2), framed(QByteArray("/nul\0.txt", 9)),
          framed("/a.txt") + "trailing", framed("/" + QByteArray(soramie::app::kMaxHandOverBytes + 10, 'x'))}) {
        whileReceiving([&] {
            QLocalSocket client;
            client.connectToServer(r.socket);
            client.waitForConnected(2000);
            client.write(bad);
            client.waitForBytesWritten(2000);
        });
    }
    const QList<QByteArray> paths = {"/data/ログ 1.txt", "/data/a\nb.txt", "/data/\x82\xa0\xff.log"};
    for (const QByteArray& path : paths) EXPECT_TRUE(send(r.socket, path)) << path.constData();
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.received.size() == paths.size(); }));
    EXPECT_EQ(r.received, paths);
    // Nobody but the owner may connect.
    EXPECT_FALSE(QFileInfo(r.socket).permissions() &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
}

TEST(HandOver, TheReceiverKeepsListeningAfterAnAcceptFailsForWantOfDescriptors)
{
    Receiving r;
    ASSERT_TRUE(r.receiver.listen());
    const int waiting = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(r.socket);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ASSERT_EQ(::connect(waiting, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::write(waiting, "\0\0\0\x06/a.txt", 10), 10);

    rlimit old{};
    ::getrlimit(RLIMIT_NOFILE, &old);
    rlimit low = old;
    low.rlim_cur = 256;
    ::setrlimit(RLIMIT_NOFILE, &low);
    std::vector<int> filler;
    for (int fd; (fd = ::dup(waiting)) >= 0;) filler.push_back(fd);
    QCoreApplication::processEvents();  // the accept fails: no descriptor left
    QCoreApplication::processEvents();
    for (int fd : filler) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);

    EXPECT_TRUE(QTest::qWaitFor([&] { return r.received.size() == 1; })) << "the waiting sender is served later";
    EXPECT_TRUE(send(r.socket, "/b.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.received.size() == 2; }));
    ::close(waiting);
}

// Sends a drag-enter and, when accepted, a drop of urls onto the pane.
bool dropOnPane(soramie::MainWindow& f, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    QWidget* target = ui(f).pane->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// A drop is shown once it has returned to the file manager; a handed-over file
// waits while a search keeps the window disabled.
TEST(MainWindowExternal, AFileDroppedOnThePaneIsShownOtherDropsAreRefusedAndAHandOverWaitsForADisabledWindow)
{
    CurrentFolderGuard guard;
    MainWindowHarness h;
    ASSERT_TRUE(writeFile(h.root() + "/drop/c.log", "dropped") && writeFile(h.root() + "/in/d.txt", "handed"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    EXPECT_FALSE(dropOnPane(f, {QUrl("https://example.org/a.txt")}));
    ASSERT_TRUE(dropOnPane(f, {QUrl("https://example.org/a.txt"), QUrl::fromLocalFile(h.root() + "/drop/c.log")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ui(f).pane->text() == "dropped"; }));
    EXPECT_EQ(viewerState(f).shownPath + "|" + ui(f).folderList->path() + "|" + f.panel(3),
              h.root() + "/drop/c.log|" + h.root() + "/drop|File Size 0.007 KB");

    f.setEnabled(false);
    f.showHandedOverFile(h.root() + "/in/d.txt");
    QCoreApplication::processEvents();
    EXPECT_EQ(ui(f).pane->text(), "dropped");
    f.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ui(f).pane->text() == "handed"; }));
    EXPECT_EQ(viewerState(f).shownPath, h.root() + "/in/d.txt");
}

}  // namespace
