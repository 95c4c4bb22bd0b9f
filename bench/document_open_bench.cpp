// SPDX-License-Identifier: MIT
// Opening a large file as a document, without a window:
//   document_open_bench FILE [first]
// With "first", only the first screen is timed (files too large to index in a
// benchmark run).
// Prints one "key value" pair per line: seconds until fromFile returns (the
// first screen is indexed), seconds until the whole file is indexed (idle),
// the peak private memory while loading (Anonymous and Private_Dirty of
// /proc/self/smaps_rollup when indexed, and RssAnon sampled every
// millisecond while loading, above what the process held before the open) and its ratio to the file size, and the median and 99th percentile of
// 1,000 jumps to random lines (lineStart and charOf there) once indexed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "document/document.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Anonymous memory of this process in KiB: a counter, cheap to sample.
long anonymousKiB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("RssAnon:", 0) == 0) return std::stol(line.substr(8));
    }
    return 0;
}

// Private memory of this process in KiB: anonymous pages or private dirty
// pages of files, whichever is larger (walks every page table: not sampled).
long privateKiB()
{
    std::ifstream in("/proc/self/smaps_rollup");
    std::string line;
    long anonymous = 0;
    long dirty = 0;
    while (std::getline(in, line)) {
        if (line.rfind("Anonymous:", 0) == 0) anonymous = std::stol(line.substr(10));
        if (line.rfind("Private_Dirty:", 0) == 0) dirty = std::stol(line.substr(14));
    }
    return std::max(anonymous, dirty);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool firstOnly = argc == 3 && std::string(argv[2]) == "first";
    if (argc != 2 && !firstOnly) {
        std::fprintf(stderr, "usage: %s FILE [first]\n", argv[0]);
        return 2;
    }
    const long before = privateKiB();
    const long anonBefore = anonymousKiB();
    std::atomic<long> peak{anonBefore};
    std::atomic<bool> done{false};
    std::thread sampler([&] {
        while (!done.load()) {
            peak.store(std::max(peak.load(), anonymousKiB()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto t0 = Clock::now();
    auto opened = soramie::Document::fromFile(argv[1]);
    const double first = secondsSince(t0);
    if (!opened) {
        done.store(true);
        sampler.join();
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const soramie::Document& doc = **opened;
    // What the first screen reads: 60 lines from the top.
    for (std::uint64_t n = 0; n < 60 && n < doc.lineCount().value; ++n) (void)doc.lineEnd(soramie::LineNo(n));
    const double screen = secondsSince(t0);
    if (firstOnly) {
        done.store(true);
        sampler.join();
        std::printf("first_screen_seconds %.6f\n", screen);
        std::printf("from_file_seconds %.6f\n", first);
        return 0;
    }
    doc.waitIndexed();
    const double idle = secondsSince(t0);
    done.store(true);
    sampler.join();
    const long after = privateKiB();
    peak.store(std::max(peak.load(), anonymousKiB()));
    const long peakKiB = std::max(peak.load() - anonBefore, after - before);

    std::mt19937_64 rng(7);
    const std::uint64_t lines = doc.lineCount().value;
    std::vector<double> jumps;
    for (int i = 0; i < 1000; ++i) {
        const auto t = Clock::now();
        const soramie::ByteOffset at = doc.lineStart(soramie::LineNo(rng() % lines));
        (void)doc.charOf(at);
        (void)doc.lineEnd(doc.lineOf(at));
        jumps.push_back(secondsSince(t));
    }
    std::sort(jumps.begin(), jumps.end());
    const double size = static_cast<double>(doc.size().value);
    std::printf("first_screen_seconds %.6f\n", screen);
    std::printf("from_file_seconds %.6f\n", first);
    std::printf("indexed_seconds %.6f\n", idle);
    std::printf("lines %llu\n", static_cast<unsigned long long>(lines));
    std::printf("private_when_indexed_mib %.1f\n", static_cast<double>(after - before) / 1024.0);
    std::printf("peak_private_mib %.1f\n", static_cast<double>(peakKiB) / 1024.0);
    std::printf("peak_private_ratio %.4f\n", static_cast<double>(peakKiB) * 1024.0 / std::max(size, 1.0));
    std::printf("jump_median_ms %.3f\n", jumps[500] * 1000);
    std::printf("jump_p99_ms %.3f\n", jumps[990] * 1000);
    return 0;
}
