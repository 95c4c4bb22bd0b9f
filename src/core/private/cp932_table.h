// SPDX-License-Identifier: MIT
// Private to core: mapping tables of the CP932 codec (generated into cp932_table.cpp)
// and the character-length test the byte-level text routines share.
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

// Unit of the pair lead+trail (lead a lead byte), or 0 when the pair has no character.
inline char16_t pairUnit(unsigned char lead, unsigned char trail)
{
    return trail >= 0x40 ? kPair[leadIndex(lead)][trail - 0x40] : char16_t{0};
}

// Bytes of the character that starts at p[0] when `avail` >= 1 bytes are there: 2 for
// a lead byte whose pair has a character, else 1.
inline std::size_t charBytes(const unsigned char* p, std::size_t avail)
{
    return avail >= 2 && (p[0] >= 0x81 && (p[0] <= 0x9F || (p[0] >= 0xE0 && p[0] <= 0xFC))) && pairUnit(p[0], p[1]) != 0
               ? 2
               : 1;
}

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

// The first character start at or after `target` (<= n), walking from the
// character start `at` over d[0, n). Every lead byte is first taken as the
// start of a pair, which keeps the table lookup off the chain from one
// character to the next; when a pair turns out to have no character, the stretch
// is walked again exactly.
inline std::size_t walkToCharStart(const unsigned char* d, std::size_t n, std::size_t at, std::size_t target)
{
    std::size_t q = at;
    bool unpaired = false;
    while (q < target && q + 1 < n) {
        const unsigned char b = d[q];
        const bool lead = b >= 0x81 && (b <= 0x9F || (b >= 0xE0 && b <= 0xFC));
        unpaired |= lead && pairUnit(b, d[q + 1]) == 0;
        q += lead ? 2 : 1;
    }
    if (!unpaired) at = q;
    while (at < target) at += charBytes(d + at, n - at);
    return at;
}

}  // namespace soramie::cp932::detail
