// SPDX-License-Identifier: MIT
// Memory advice for large buffers.
#pragma once

#include <cstddef>

namespace soramie {

// Asks for transparent huge pages on [p, p + size) before it is first written:
// faulting fresh memory in 2 MB pages costs a fraction of faulting it in 4 KB
// pages, which dominates filling hundreds of MB. Only the whole 2 MB pages inside
// the range are affected; the contents are not.
void adviseHugePages(void* p, std::size_t size);

}  // namespace soramie
