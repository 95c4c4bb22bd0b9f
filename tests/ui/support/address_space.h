// SPDX-License-Identifier: MIT
// Out-of-memory tests: a child process limits its own address space.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>

namespace soramie::testing {

#if defined(SORAMIE_SANITIZED)
inline constexpr bool kSanitized = true;  // sanitizers reserve more address space than any limit leaves
#else
inline constexpr bool kSanitized = false;
#endif

// Limits this process's address space to what it uses now plus `more` bytes.
inline void limitAddressSpace(std::uint64_t more)
{
    std::uint64_t pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%" SCNu64, &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const rlimit limit{static_cast<rlim_t>(pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) + more),
                       RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &limit);
}

}  // namespace soramie::testing
