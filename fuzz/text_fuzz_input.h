// SPDX-License-Identifier: MIT
// Turns a fuzzer's bytes into the CP932 inputs the text-routine fuzz targets need.
#pragma once

#include "core/cp932.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soramie::fuzz {

// Splits the input at NUL bytes into `count` byte strings (missing ones are
// empty). A byte from 0x01 to 0x1F stands for the CP932 bytes of one of 31
// characters that matter to the routines (line ends, spaces, the wrap sets,
// markup, kana, a lone lead byte), so short inputs hit them often; other bytes
// are taken as they are, so undecodable bytes and characters with several codes
// come too.
inline std::vector<std::string> fuzzParts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    // Entry 0 is never used (a NUL separates the parts).
    static constexpr char16_t kAlphabet[32] = {
        u'b',  u'\n', u' ',      u'\u3000', u'\u3002', u'\u300C', u'\uFF08', u'$',
        u'"',  u'<',  u'>',      u'&',      u';',      u'[',      u']',      u'|',
        u'あ', u'a',  u'\xDC81', u'ｱ',      u'ﾟ',      u'\u3001', u'\u300D', u'\uFF09',
        u'\\', u'!',  u'漢',     u'\t',     u'\r',     u'\u2018', u'\uFFE0', u'\uFFE5'};
    std::vector<std::string> parts(count);
    std::size_t part = 0;
    for (std::size_t i = 0; i < size && part < count; ++i) {
        const std::uint8_t b = data[i];
        if (b == 0) ++part;
        else if (b < 0x20) parts[part] += cp932::encode(std::u16string_view(&kAlphabet[b], 1)).bytes;
        else parts[part].push_back(static_cast<char>(b));
    }
    return parts;
}

// Chunk size for streaming the input: 1 to 8 bytes, or everything at once.
inline std::size_t chunkSize(std::uint8_t b) { return b % 9 == 0 ? std::size_t{1} << 20 : b % 9; }

}  // namespace soramie::fuzz
