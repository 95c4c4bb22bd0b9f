// SPDX-License-Identifier: MIT
// The bytes a save of a document writes, for the document tests.
#pragma once

#include "document/document.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace soramie::testing {

// The slices a save writes, joined; a document whose bytes no longer verify
// fails the calling test and gives "".
inline std::string savedBytes(const Document& doc)
{
    const auto parts = doc.slicesToSave();
    EXPECT_TRUE(parts.ok());
    std::string out;
    if (parts.ok())
        for (const std::string_view s : *parts) out.append(s);
    return out;
}

}  // namespace soramie::testing
