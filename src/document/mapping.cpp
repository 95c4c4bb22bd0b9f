// SPDX-License-Identifier: MIT
#include "document/private/mapping.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>

namespace soramie::doc_detail {

namespace {

// The live mappings, read by the fault handler without locks: a slot is in use
// while its begin is not 0; begin is published last when a slot is filled and
// cleared first when it is freed.
struct Range {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<std::uint32_t> faults{0};
};
constexpr std::size_t kSlots = 4096;
std::array<Range, kSlots> ranges;
std::mutex claimMutex;  // serializes claiming slots (the handler never takes it)

struct sigaction previousAction {};
std::once_flag installOnce;

void onBus(int sig, siginfo_t* info, void* context)
{
    const auto addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Range& r : ranges) {
        const std::uintptr_t b = r.begin.load(std::memory_order_acquire);
        if (b == 0 || addr < b || addr >= r.end.load(std::memory_order_acquire)) continue;
        const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        void* at = reinterpret_cast<void*>(addr & ~(page - 1));
        if (::mmap(at, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) break;
        r.faults.fetch_add(1, std::memory_order_acq_rel);
        return;  // the access is retried and reads zeros
    }
    // Not ours: what the previous handler would have done.
    if (previousAction.sa_flags & SA_SIGINFO) {
        if (previousAction.sa_sigaction) {
            previousAction.sa_sigaction(sig, info, context);
            return;
        }
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(sig);
        return;
    }
    // Default action: returning retries the access, which faults again and
    // ends the process as it would have without this handler.
    ::signal(SIGBUS, SIG_DFL);
}

void installHandler()
{
    struct sigaction action {};
    action.sa_sigaction = onBus;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previousAction);
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::map(int fd, std::uint64_t size, int& error)
{
    std::call_once(installOnce, installHandler);
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t length = (size + page - 1) / page * page;
    if (size == 0 || length > SIZE_MAX) {
        error = EINVAL;
        return nullptr;
    }
    void* p = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        error = errno;
        return nullptr;
    }
    std::unique_ptr<MappedFile> m(new MappedFile);
    m->data_ = static_cast<unsigned char*>(p);
    m->size_ = size;
    m->length_ = static_cast<std::size_t>(length);
    {
        std::lock_guard lock(claimMutex);
        for (std::size_t i = 0; i < kSlots; ++i) {
            if (ranges[i].begin.load(std::memory_order_relaxed) != 0) continue;
            ranges[i].faults.store(0, std::memory_order_relaxed);
            ranges[i].end.store(reinterpret_cast<std::uintptr_t>(p) + m->length_, std::memory_order_release);
            ranges[i].begin.store(reinterpret_cast<std::uintptr_t>(p), std::memory_order_release);
            m->slot_ = static_cast<int>(i);
            break;
        }
    }
    if (m->slot_ < 0) {
        error = ENOMEM;
        return nullptr;  // the destructor unmaps
    }
    ::madvise(p, m->length_, MADV_SEQUENTIAL);
    return m;
}

MappedFile::~MappedFile()
{
    if (slot_ >= 0) {
        std::lock_guard lock(claimMutex);
        ranges[static_cast<std::size_t>(slot_)].begin.store(0, std::memory_order_release);
    }
    if (data_) ::munmap(data_, length_);
}

std::uint32_t MappedFile::faults() const
{
    return slot_ < 0 ? 0 : ranges[static_cast<std::size_t>(slot_)].faults.load(std::memory_order_acquire);
}

void MappedFile::prefetch(std::uint64_t from, std::uint64_t to) const
{
#if defined(MADV_POPULATE_READ)
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    from = from / page * page;
    to = std::min<std::uint64_t>(to, length_);
    if (from < to) ::madvise(data_ + from, static_cast<std::size_t>(to - from), MADV_POPULATE_READ);
#else
    (void)from;
    (void)to;
#endif
}

}  // namespace soramie::doc_detail
