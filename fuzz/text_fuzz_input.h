// SPDX-License-Identifier: MIT
// Turns a fuzzer's bytes into the texts the text-routine fuzz targets need.
#pragma once

#include "core/cp932.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soramie::fuzz {

// Splits the input at NUL bytes into `count` texts (missing ones are empty).
// Within a text, a byte below 0x20 stands for one of 32 characters that matter
// to the routines (line ends, spaces, the wrap sets, markup, kana, an
// undecodable byte), so short inputs hit them often; runs of other bytes are
// decoded as CP932.
inline std::vector<std::u16string> fuzzTexts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    static constexpr char16_t kAlphabet[32] = {
        u'\r', u'\n', u' ',      u'\u3000', u'\u3002', u'\u300C', u'\uFF08', u'$',
        u'"',  u'<',  u'>',      u'&',      u';',      u'[',      u']',      u'|',
        u'あ', u'a',  u'\xDC81', u'ｱ',      u'ﾟ',      u'\u3001', u'\u300D', u'\uFF09',
        u'\\', u'!',  u'漢',     u'\t',     u'b',      u'\u2018', u'\uFFE0', u'\uFFE5'};
    std::vector<std::u16string> texts(count);
    std::size_t part = 0;
    std::size_t i = 0;
    while (i < size && part < count) {
        const std::uint8_t b = data[i];
        if (b == 0) {
            ++part;
            ++i;
        } else if (b < 0x20) {
            texts[part].push_back(kAlphabet[b]);
            ++i;
        } else {
            std::size_t end = i;
            while (end < size && data[end] >= 0x20) ++end;
            cp932::decodeAppend(std::string_view(reinterpret_cast<const char*>(data + i), end - i), texts[part]);
            i = end;
        }
    }
    return texts;
}

}  // namespace soramie::fuzz
