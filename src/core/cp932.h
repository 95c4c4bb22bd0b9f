// SPDX-License-Identifier: MIT
// Code page 932 (Windows Shift-JIS) <-> UTF-16.
//
// Decoding follows Windows' table exactly (0x80 -> U+0080, 0xA0 -> U+F8F0,
// 0xFD..0xFF -> U+F8F1..U+F8F3, user-defined area F040..F9FC -> U+E000..U+E757).
// Every CP932 character decodes to exactly one UTF-16 unit. A byte that does not
// start a valid character (a lead byte without a valid trail byte, the lead of an
// unassigned pair, a lone lead byte at the end) decodes to the unit
// U+DC00 + byte (a lone low surrogate, U+DC81..U+DCFC) and decoding resumes at the
// next byte; encoding turns such a unit back into that byte. So
// encode(decode(b)) == b for every byte string b, except that characters with
// several codes may come back with another of their codes (see encode()); the
// text and the length in bytes stay the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace soramie::cp932 {

// True for a unit that stands for an undecodable byte.
constexpr bool isRawByte(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }
constexpr char16_t rawByteUnit(unsigned char b) { return static_cast<char16_t>(0xDC00 + b); }
constexpr unsigned char rawByteValue(char16_t u) { return static_cast<unsigned char>(u - 0xDC00); }

// Lead bytes of two-byte characters: 0x81..0x9F and 0xE0..0xFC.
constexpr bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// A byte below 0x40 is never the trail byte of a pair, so it always starts a
// character: decoding from it agrees with decoding from any earlier character start.
constexpr bool isSyncByte(unsigned char b) { return b < 0x40; }

// The position of the last sync byte in d[from, to), or nullopt when there is none.
inline std::optional<std::size_t> lastSyncByte(const unsigned char* d, std::size_t from, std::size_t to)
{
    for (std::size_t q = to; q > from; --q) {
        if (isSyncByte(d[q - 1])) return q - 1;
    }
    return std::nullopt;
}

// The first character start at or after `target` (at most n) in d[0, n), found
// from the character start `at`: it jumps to the last sync byte in [at, target)
// when there is one and walks forward from there. Returns `at` when it is already
// at or past `target`. Linear over a buffer as long as the caller only moves `at`
// forward. A lead byte at d[n - 1] counts as one character.
std::size_t charStartAtOrAfter(const unsigned char* d, std::size_t n, std::size_t at, std::size_t target);

// Decodes bytes; never fails (see the file comment for undecodable bytes).
std::u16string decode(std::string_view bytes);
// Appends the decoded units of bytes to out.
void decodeAppend(std::string_view bytes, std::u16string& out);

// How decodeTo writes an undecodable byte.
enum class RawBytes {
    AsUnit,         // U+DC00 + byte, which encodes back to the byte
    AsReplacement,  // U+FFFD, for text leaving the program (the clipboard)
};
// Decodes bytes into out, which has room for bytes.size() units, and returns
// the number of units written (the room past them may hold scratch values).
std::size_t decodeTo(std::string_view bytes, char16_t* out, RawBytes raw = RawBytes::AsUnit);

// Decodes one character at bytes[0..]; returns the unit and sets consumed to 1 or 2.
// bytes must not be empty.
char16_t decodeOne(std::string_view bytes, std::size_t& consumed);

// The CP932 code of u: 0x00..0xFF for a single byte, 0x8140.. for a pair,
// or -1 when u has no code. Raw-byte units map to their byte.
int codeOf(char16_t u);
inline bool encodable(char16_t u) { return codeOf(u) >= 0; }

// Writes the bytes of `code` (a code codeOf returned, not -1) to out, which has
// room for two: one byte for 0x00..0xFF, else the pair, lead byte first.
// Returns how many bytes it wrote.
inline std::size_t writeCode(int code, char* out)
{
    if (code > 0xFF) {
        out[0] = static_cast<char>(code >> 8);
        out[1] = static_cast<char>(code & 0xFF);
        return 2;
    }
    out[0] = static_cast<char>(code);
    return 1;
}
// Appends the bytes of `code` (a code codeOf returned, not -1) to out.
inline void appendCode(int code, std::string& out)
{
    char bytes[2];
    out.append(bytes, writeCode(code, bytes));
}

// True when exactly one CP932 code decodes to u, so that its bytes can be searched
// for without decoding. False for undecodable-byte units, units without a code,
// units with several codes (NEC and IBM duplicates such as ∵) and units that
// encode to the code of another character (U+00A5 and the like).
bool hasSingleCode(char16_t u);

// The bytes of text when each of its units has a single code (hasSingleCode), so
// that text occurs in decoded bytes exactly where these bytes occur starting on
// a character boundary; nullopt otherwise. The empty text gives no bytes.
std::optional<std::string> singleSpelling(std::u16string_view text);

// Bytes u takes in CP932: 2 for a pair, else 1 (a unit without a code counts as
// its one-byte replacement).
int byteLength(char16_t u);

struct EncodeResult {
    std::string bytes;
    // Index of the first unit that has no code, or npos; such units are written as '?'.
    // The index counts the units of every text appended to this result.
    std::size_t firstUnencodable = npos;
    std::size_t unencodableCount = 0;
    // Units appended so far, and the last of them (an undecodable lead byte there
    // decides the code of a character with several codes at the start of the next text).
    std::size_t unitCount = 0;
    char16_t lastUnit = 0;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    bool complete() const { return unencodableCount == 0; }
};

// Encodes text. Where a character has several codes, the one Windows chooses
// (NEC row 13 over NEC-selected IBM, IBM extension over NEC-selected IBM, JIS
// row 2 over NEC row 13). The few characters that other Japanese tables map to
// other Unicode values (U+00A5, U+203E, U+301C wave dash, U+2212, U+2014, U+2016,
// U+00A2, U+00A3, U+00AC) get the code of the same CP932 character, as Windows
// and glibc give them; decoding that code gives the Windows value.
// Right after a raw-byte unit of a lead byte, a character with several codes gets
// one that does not form a pair with that byte, so decode(encode(decode(b))) ==
// decode(b) for all bytes b. Units without a code become '?' and are reported; the
// two units of a character outside the BMP both count as units without a code,
// even where the low surrogate alone would stand for a raw byte.
EncodeResult encode(std::u16string_view text);
void encodeAppend(std::u16string_view text, EncodeResult& out);

}  // namespace soramie::cp932
