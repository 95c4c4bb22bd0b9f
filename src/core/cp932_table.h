// SPDX-License-Identifier: MIT
// Private mapping tables of the CP932 codec (generated into cp932_table.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace soramie::cp932::detail {

// Unit of every byte that is not a lead byte (entries of lead bytes are unused).
extern const char16_t kSingle[256];

// Unit of the pair (lead, trail): row leadIndex(lead), column trail - 0x40 for
// trail 0x40..0xFF; 0 where the pair has no character.
inline constexpr int kLeadCount = 60;
extern const char16_t kPair[kLeadCount][0xC0];
constexpr int leadIndex(unsigned char lead) { return lead < 0xA0 ? lead - 0x81 : lead - 0xE0 + 31; }

// Code of unit u: kEncode[kEncodePage[u >> 8]][u & 0xFF]; kNoCode where u has none.
inline constexpr std::uint16_t kNoCode = 0xFFFF;
extern const std::uint8_t kEncodePage[256];
extern const std::uint16_t kEncode[][256];

// Every code of a pair that encoding does not choose for its unit, sorted by
// unit and then by preference.
struct AltCode {
    char16_t unit;
    std::uint16_t code;
};
extern const AltCode kAltCodes[];
extern const std::size_t kAltCodeCount;

}  // namespace soramie::cp932::detail
