// SPDX-License-Identifier: MIT
// Following a growing log through the real main window (offscreen platform):
//   follow_bench LOG SIZE_MB RATE SECONDS
//     LOG is made SIZE_MB MB of log lines when it is smaller; the window shows
//     it with following on while a writer thread appends RATE lines a second
//     for SECONDS seconds. Prints write -> repaint latency of every line (p50,
//     p99, max; repaint = the start of the first paint of the pane that shows
//     the line), whether the document ends equal to the file, the CPU of 50
//     single-line appends, and the CPU of 10 s of idle following.
//   follow_bench --peer LOG RATE SECONDS COMMAND...
//     The same writer; COMMAND (e.g. tail -F -n0 LOG) is read line by line and
//     each line's latency is measured when it is read.
#include "document/document.h"
#include "support/main_window_harness.h"
#include "ui/pane/text_pane.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using soramie::testing::MainWindowHarness;
using soramie::testing::ui;

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

double cpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void makeLog(const std::string& path, std::uint64_t bytes)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (in && static_cast<std::uint64_t>(in.tellg()) >= bytes) return;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string block;
    for (std::uint64_t line = 0, done = 0; done < bytes; ++line) {
        block += "2026-01-01 00:00:00 INFO old line " + std::to_string(line) + " \x8F\x88\x97\x9D\x92\x86\r\n";
        if (block.size() > (1u << 20)) {
            out << block;
            done += block.size();
            block.clear();
        }
    }
    out << block;
}

// Appends `rate` lines a second for `seconds` s in writes of about a
// millisecond's lines; line i is "follow <i>\r\n", written at times[i].
struct Writer {
    std::vector<std::int64_t> times;
    std::atomic<std::size_t> written{0};
    std::thread thread;
    void start(const std::string& path, int rate, int seconds)
    {
        times.assign(static_cast<std::size_t>(rate) * static_cast<std::size_t>(seconds), 0);
        thread = std::thread([this, path, rate] {
            FILE* f = std::fopen(path.c_str(), "ab");
            const auto begin = Clock::now();
            std::size_t i = 0;
            std::string chunk;
            while (i < times.size()) {
                const auto due =
                    static_cast<std::size_t>(std::chrono::duration<double>(Clock::now() - begin).count() * rate);
                chunk.clear();
                const std::size_t first = i;
                for (; i < std::min(due, times.size()); ++i) chunk += "follow " + std::to_string(i) + "\r\n";
                if (!chunk.empty()) {
                    // The times are set before the bytes can be read.
                    const std::int64_t t = nowNs();
                    for (std::size_t k = first; k < i; ++k) times[k] = t;
                    written.store(i);
                    std::fwrite(chunk.data(), 1, chunk.size(), f);
                    std::fflush(f);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::fclose(f);
        });
    }
};

void printLatencies(const char* what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%s: no lines\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * ms.size()))]; };
    std::printf("%s: %zu lines, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", what, ms.size(), at(0.5), at(0.99),
                ms.back());
}

// Paints of the pane's viewport: the lines shown so far, with the time of
// the first paint that showed them.
class PaintWatch : public QObject {
public:
    PaintWatch(soramie::TextPane& pane, std::uint64_t baseLines, Writer& writer)
        : pane_(pane), base_(baseLines), writer_(writer)
    {
        pane.viewport()->installEventFilter(this);
    }
    std::vector<double> latencies;
    std::size_t shown = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint) return false;
        const std::int64_t t = nowNs();
        // Lines complete in the document: those before its last line.
        const std::uint64_t lines = pane_.document()->lineCount().value - 1;
        const std::size_t upto = lines > base_ ? static_cast<std::size_t>(lines - base_) : 0;
        const std::size_t written = writer_.written.load();  // the times of these lines are set
        for (; shown < std::min(upto, written); ++shown)
            latencies.push_back(static_cast<double>(t - writer_.times[shown]) / 1e6);
        return false;
    }

private:
    soramie::TextPane& pane_;
    std::uint64_t base_;
    Writer& writer_;
};

bool sameAsFile(const soramie::Document& doc, const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string buffer(1u << 20, '\0');
    std::uint64_t at = 0;
    std::string scratch;
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto n = static_cast<std::uint64_t>(in.gcount());
        if (n == 0) break;
        if (at + n > doc.size().value) return false;
        if (doc.bytes(soramie::ByteOffset(at), soramie::ByteOffset(at + n), scratch) !=
            std::string_view(buffer.data(), n))
            return false;
        at += n;
    }
    return at == doc.size().value;
}

int follow(const std::string& path, std::uint64_t sizeMb, int rate, int seconds)
{
    makeLog(path, sizeMb << 20);
    MainWindowHarness h;
    auto& f = h.form();
    f.show();
    f.showFile(QString::fromStdString(path));
    soramie::TextPane& pane = *ui(f).pane;
    pane.document()->waitIndexed();
    QTest::qWait(200);
    ui(f).followAction->trigger();
    Writer writer;
    PaintWatch paints(pane, pane.document()->lineCount().value - 1, writer);
    writer.start(path, rate, seconds);
    (void)QTest::qWaitFor([&] { return paints.shown >= writer.times.size(); }, (seconds + 30) * 1000);
    writer.thread.join();
    char what[96];
    std::snprintf(what, sizeof what, "window, %d lines/s for %d s", rate, seconds);
    printLatencies(what, paints.latencies);
    (void)QTest::qWaitFor([&] { return pane.document()->size().value == std::filesystem::file_size(path); }, 5000);
    std::printf("document equals the file: %s; every line shown once, in order: %s; pieces: %zu\n",
                sameAsFile(*pane.document(), path) ? "yes" : "NO", paints.shown == writer.times.size() ? "yes" : "NO",
                pane.document()->pieceCount());

    // 50 single-line appends, each waited for.
    const double cpu0 = cpuSeconds();
    for (int i = 0; i < 50; ++i) {
        FILE* out = std::fopen(path.c_str(), "ab");
        std::fprintf(out, "single %d\r\n", i);
        std::fclose(out);
        const auto size = std::filesystem::file_size(path);
        (void)QTest::qWaitFor([&] { return pane.document()->size().value == size; }, 5000);
    }
    std::printf("50 single-line appends: %.3f s CPU\n", cpuSeconds() - cpu0);

    const double idle0 = cpuSeconds();
    const auto wall0 = Clock::now();
    // The program's own event loop, idle: nothing but what the window wakes for.
    QEventLoop idle;
    QTimer::singleShot(10000, &idle, &QEventLoop::quit);
    idle.exec();
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    std::printf("idle following for %.1f s: %.3f %% of a core\n", wall, 100.0 * (cpuSeconds() - idle0) / wall);
    return 0;
}

int peer(const std::string& path, int rate, int seconds, char** command)
{
    int pipeFd[2];
    if (::pipe(pipeFd) != 0) return 1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFd[1], 1);
        ::close(pipeFd[0]);
        ::execvp(command[0], command);
        ::_exit(127);
    }
    ::close(pipeFd[1]);
    FILE* in = ::fdopen(pipeFd[0], "r");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the peer is reading
    Writer writer;
    writer.start(path, rate, seconds);
    std::vector<double> ms;
    char line[256];
    while (ms.size() < writer.times.size() && std::fgets(line, sizeof line, in)) {
        const std::int64_t t = nowNs();
        std::size_t i = 0;
        if (std::sscanf(line, "follow %zu", &i) == 1 && i < writer.times.size())
            ms.push_back(static_cast<double>(t - writer.times[i]) / 1e6);
    }
    writer.thread.join();
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    std::string what = command[0];
    what += ", " + std::to_string(rate) + " lines/s for " + std::to_string(seconds) + " s";
    printLatencies(what.c_str(), ms);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc >= 6 && std::string(argv[1]) == "--peer")
        return peer(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argv + 5);
    if (argc != 5) {
        std::fprintf(stderr, "usage: follow_bench LOG SIZE_MB RATE SECONDS | --peer LOG RATE SECONDS COMMAND...\n");
        return 2;
    }
    return follow(argv[1], std::stoull(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
}
