// SPDX-License-Identifier: MIT
// Slow, literal versions of the text routines, written step by step the way the
// routines are described (rebuilding the whole text for each replacement). They
// are quadratic and meant for short texts only. The line and character starts
// are the naive sequential scans the document index must match.
//
// The routines work on RichText, whose characters carry the CP932 bytes they
// came from. Comparisons see only the UTF-16 unit, so running a literal routine
// on the RichText of some bytes gives the text result with every character's
// bytes: untouched characters keep the bytes they were read with, inserted ones
// have the bytes of their encoding. That is the exact answer the byte-level
// routines must give (bytesOf() of the result).
#pragma once

#include "core/cp932.h"
#include "core/replace.h"
#include "core/types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soramie::reference {

// A character with its bytes: the unit in bits 0-15, the first byte in bits
// 16-23, the second (never 0: trail bytes are 0x40 and up) in bits 24-31.
struct UnitTraits : std::char_traits<char32_t> {
    static constexpr char16_t unit(char32_t c) { return static_cast<char16_t>(c & 0xFFFF); }
    static constexpr bool eq(char32_t a, char32_t b) { return unit(a) == unit(b); }
    static constexpr bool lt(char32_t a, char32_t b) { return unit(a) < unit(b); }
    static constexpr int compare(const char32_t* a, const char32_t* b, std::size_t n)
    {
        for (; n > 0; --n, ++a, ++b)
            if (!eq(*a, *b)) return lt(*a, *b) ? -1 : 1;
        return 0;
    }
    static constexpr const char32_t* find(const char32_t* p, std::size_t n, const char32_t& c)
    {
        for (; n > 0; --n, ++p)
            if (eq(*p, c)) return p;
        return nullptr;
    }
};
using RichText = std::basic_string<char32_t, UnitTraits>;

inline char16_t unitOf(char32_t c) { return UnitTraits::unit(c); }

inline char32_t richChar(char16_t unit, std::string_view bytes)
{
    char32_t c = unit | static_cast<char32_t>(static_cast<unsigned char>(bytes[0])) << 16;
    if (bytes.size() > 1) c |= static_cast<char32_t>(static_cast<unsigned char>(bytes[1])) << 24;
    return c;
}

// The characters of CP932 bytes, each with the bytes it was decoded from.
inline RichText richFromBytes(std::string_view b)
{
    RichText t;
    for (std::size_t i = 0, n = 1; i < b.size(); i += n) {
        const char16_t unit = cp932::decodeOne(b.substr(i), n);
        t.push_back(richChar(unit, b.substr(i, n)));
    }
    return t;
}

// Text with the bytes its encoding gives each character ('?' for none).
inline RichText richFromText(std::u16string_view text)
{
    const std::string bytes = cp932::encode(text).bytes;
    RichText t;
    std::size_t at = 0;
    for (const char16_t u : text) {
        const std::size_t n = cp932::codeOf(u) > 0xFF ? 2 : 1;
        t.push_back(richChar(u, std::string_view(bytes).substr(at, n)));
        at += n;
    }
    return t;
}

inline std::string bytesOf(const RichText& t)
{
    std::string b;
    for (const char32_t c : t) {
        b.push_back(static_cast<char>((c >> 16) & 0xFF));
        if (c >> 24) b.push_back(static_cast<char>(c >> 24));
    }
    return b;
}

// 1-based position of `needle` in `hay` at or after 1-based `start`, 0 if none
// (an empty needle is found at `start`).
inline std::size_t inStr(std::size_t start, const RichText& hay, const RichText& needle)
{
    if (start < 1 || start > hay.size() + 1) return 0;
    const std::size_t at = hay.find(needle, start - 1);
    return at == RichText::npos ? 0 : at + 1;
}

// Characters `start`.. (1-based) of s, `length` of them or up to the end.
inline RichText mid(const RichText& s, std::size_t start, std::size_t length = RichText::npos)
{
    if (start > s.size()) return {};
    return s.substr(start - 1, length);
}

inline RichText trimSpaces(RichText s)
{
    while (!s.empty() && unitOf(s.front()) == u' ') s.erase(0, 1);
    while (!s.empty() && unitOf(s.back()) == u' ') s.pop_back();
    return s;
}

inline RichText replaceString(const RichText& subject, const RichText& from, const RichText& to, InsideReplacement mode)
{
    if (from.empty()) return subject;
    const std::size_t inside = inStr(1, to, from);
    RichText result = subject;
    std::size_t pos = 1;
    for (;;) {
        pos = inStr(pos, result, from);
        if (pos == 0) break;
        bool replace = true;
        if (mode == InsideReplacement::Skip) {
            const std::size_t start = pos + 1 > inside ? pos - inside + 1 : 1;
            if (inside >= 1 && mid(result, start, to.size()) == to) replace = false;
        }
        if (replace) result = result.substr(0, pos - 1).append(to).append(mid(result, pos + from.size()));
        pos += to.size();
    }
    return result;
}

inline std::size_t replaceRanges(RichText& T, const RichText& S1, const RichText& E, const RichText& R)
{
    std::size_t count = 0;
    std::size_t p = 1;
    for (;;) {
        const std::size_t s = inStr(p, T, S1);
        if (s == 0) return count;
        ++count;
        std::size_t e = inStr(s, T, E);
        if (e == 0) e = s;
        T = T.substr(0, s - 1).append(R).append(mid(T, e + E.size()));
        p = (s - 1) + R.size() + 1;
    }
}

// Pieces numbered from 0 here (the routine's unused slot 0 is left out).
inline std::vector<RichText> splitLines(RichText s, const RichText& d)
{
    std::vector<RichText> pieces;
    if (s.size() >= d.size() && s.compare(s.size() - d.size(), d.size(), d) == 0) s += d;
    do {
        std::size_t p = inStr(1, s, d);
        if (p == 0) p = s.size() + d.size();
        pieces.push_back(trimSpaces(s.substr(0, p - 1)));
        const std::size_t drop = p - 1 + d.size();
        s = drop >= s.size() ? RichText() : s.substr(drop);
    } while (!s.empty());
    return pieces;
}

// Whether character k (1-based) of L is in the set; false past either end.
inline bool inSet(std::u16string_view set, const RichText& L, std::int64_t k)
{
    return k >= 1 && k <= static_cast<std::int64_t>(L.size()) &&
           set.find(unitOf(L[static_cast<std::size_t>(k - 1)])) != std::u16string_view::npos;
}

inline RichText wrapText(const RichText& text, std::int32_t W, std::u16string_view noStart, std::u16string_view noEnd)
{
    RichText result;
    const RichText crLf = richFromText(u"\r\n");
    for (RichText L : splitLines(text, crLf)) {
        std::int64_t k = 0;
        do {
            // Characters whose encoding begins within the first W bytes.
            k = 0;
            std::int64_t begins = 1;  // 1-based byte where character k + 1 begins
            while (k < static_cast<std::int64_t>(L.size()) && begins <= W) {
                begins += cp932::byteLength(unitOf(L[static_cast<std::size_t>(k)]));
                ++k;
            }
            // One character back when the next may not start a line, or this one may not end it.
            if (k >= 2 && ((!inSet(noStart, L, k) && inSet(noStart, L, k + 1)) ||
                           (!inSet(noEnd, L, k - 1) && inSet(noEnd, L, k)))) {
                k -= 1;
            }
            result += L.substr(0, static_cast<std::size_t>(k)) + crLf;
            L = L.substr(static_cast<std::size_t>(k));
        } while (!L.empty() && k != 0);
    }
    result.erase(result.size() - 2);
    return result;
}

// Byte offsets where lines start: 0, and after every LF and every CR not
// followed by LF.
inline std::vector<std::uint64_t> lineStarts(std::string_view b)
{
    std::vector<std::uint64_t> starts{0};
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (b[i] == '\n' || (b[i] == '\r' && (i + 1 == b.size() || b[i + 1] != '\n'))) starts.push_back(i + 1);
    }
    return starts;
}

// Byte offsets where characters start, decoding one after the other, then the size.
inline std::vector<std::uint64_t> charStarts(std::string_view b)
{
    std::vector<std::uint64_t> starts;
    for (std::size_t i = 0, n = 1; i < b.size(); i += n) {
        starts.push_back(i);
        cp932::decodeOne(b.substr(i), n);
    }
    starts.push_back(b.size());
    return starts;
}

// Where a document's line index and character <-> byte mapping first differ
// from the scans above of its bytes `b` ("" where they agree everywhere), at the
// line and character starts whose byte offset `pick` selects.
template <class Doc, class Pick>
std::string indexMismatch(const Doc& doc, std::string_view b, Pick pick)
{
    const auto lines = lineStarts(b);
    if (doc.lineCount().value != lines.size()) return "line count";
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (!pick(lines[n])) continue;
        std::uint64_t end = n + 1 < lines.size() ? lines[n + 1] - 1 : b.size();
        if (n + 1 < lines.size() && end > lines[n] && b[end] == '\n' && b[end - 1] == '\r') --end;
        if (doc.lineStart(LineNo(n)).value != lines[n] || doc.lineEnd(LineNo(n)).value != end ||
            doc.lineOf(ByteOffset(lines[n])).value != n ||
            (n > 0 && doc.lineOf(ByteOffset(lines[n] - 1)).value != n - 1))
            return "line " + std::to_string(n);
    }
    const auto chars = charStarts(b);
    if (doc.charCount().value + 1 != chars.size()) return "character count";
    for (std::size_t c = 0; c < chars.size(); ++c) {
        if (!pick(chars[c])) continue;
        if (doc.byteOf(CharPos(c)).value != chars[c]) return "character " + std::to_string(c);
        const std::uint64_t next = c + 1 < chars.size() ? chars[c + 1] : b.size() + 1;
        for (std::uint64_t at = chars[c]; at < next; ++at)
            if (doc.charOf(ByteOffset(at)).value != c) return "byte " + std::to_string(at);
    }
    return "";
}

}  // namespace soramie::reference
