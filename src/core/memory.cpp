// SPDX-License-Identifier: MIT
#include "core/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace soramie {

void adviseHugePages(void* p, std::size_t size)
{
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} * 1024 * 1024;
    const auto begin = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + size) & ~(kHuge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace soramie
