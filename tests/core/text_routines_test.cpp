// SPDX-License-Identifier: MIT
// The fuzz targets' corpus replays hold the byte-level text routines to the
// literal algorithms, fed in chunks cut anywhere. Those take the wrap sets from
// core/wrap.h, so the sets' use is pinned here by hand.
#include "core/cp932.h"
#include "core/wrap.h"

#include <gtest/gtest.h>

#include <string>

namespace soramie {
namespace {

std::string sjis(std::u16string_view text) { return cp932::encode(text).bytes; }

TEST(WrapText, KeepsClosingMarksUpAndOpeningBracketsDownAndTheFullWidthSpace)
{
    const struct {
        std::u16string_view in;
        std::int32_t width;
        std::u16string_view out;
    } cases[] = {
        {u"あいうえおかきくけこさしすせそ", 20, u"あいうえおかきくけこ\r\nさしすせそ"},
        {u"あいうえおかきくけこ。さ", 20, u"あいうえおかきくけ\r\nこ。さ"},
        {u"あいうえおかきくけ「こさ", 20, u"あいうえおかきくけ\r\n「こさ"},
        {u"abc（", 20, u"abc\r\n（"},
        {u"  abc  \r\n\u3000\tx ", 20, u"abc\r\n\u3000\tx"},
        {u"あい", 1, u"あ\r\nい"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(*WrapText(sjis(c.in), WrapWidth{c.width}), sjis(c.out));
    }
}

}  // namespace
}  // namespace soramie
