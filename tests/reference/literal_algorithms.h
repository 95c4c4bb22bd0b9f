// SPDX-License-Identifier: MIT
// Slow, literal versions of the text routines, written step by step the way the
// routines are described (rebuilding the whole text for each replacement). They
// are quadratic and meant for short texts only. The line and character starts
// are the naive sequential scans the document index must match.
//
// The routines take any string of characters: UTF-16 text, or RichText, whose
// characters carry the CP932 bytes they came from. Comparisons see only the
// UTF-16 unit, so running a literal routine on the RichText of some bytes gives
// the text result with every character's bytes: untouched characters keep the
// bytes they were read with, inserted ones have the bytes of their encoding.
// That is the exact answer the byte-level routines must give (byteResult()).
#pragma once

#include "core/cp932.h"

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
        for (std::size_t i = 0; i < n; ++i) {
            if (!eq(a[i], b[i])) return lt(a[i], b[i]) ? -1 : 1;
        }
        return 0;
    }
    static constexpr const char32_t* find(const char32_t* p, std::size_t n, const char32_t& c)
    {
        for (std::size_t i = 0; i < n; ++i) {
            if (eq(p[i], c)) return p + i;
        }
        return nullptr;
    }
};
using RichText = std::basic_string<char32_t, UnitTraits>;

inline char16_t unitOf(char16_t c) { return c; }
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

// A string of the routine's character type from text.
template <class S>
S text(std::u16string_view t)
{
    if constexpr (std::is_same_v<S, RichText>) {
        return richFromText(t);
    } else {
        return S(t);
    }
}

// 1-based position of `needle` in `hay` at or after 1-based `start`, 0 if none
// (an empty needle is found at `start`).
template <class S>
std::size_t inStr(std::size_t start, const S& hay, const S& needle)
{
    if (start < 1 || start > hay.size() + 1) return 0;
    const std::size_t at = hay.find(needle, start - 1);
    return at == S::npos ? 0 : at + 1;
}

// Characters `start`.. (1-based) of s, `length` of them or up to the end.
template <class S>
S mid(const S& s, std::size_t start, std::size_t length = S::npos)
{
    if (start > s.size()) return {};
    return s.substr(start - 1, length);
}

template <class S>
S trimSpaces(S s)
{
    while (!s.empty() && unitOf(s.front()) == u' ') s.erase(0, 1);
    while (!s.empty() && unitOf(s.back()) == u' ') s.pop_back();
    return s;
}

template <class S>
S chrReplace(const S& Subject, const S& ChrFrom, const S& ChrTo, bool fNormalRep)
{
    if (ChrFrom.empty()) return Subject;
    const std::size_t inside = inStr(1, ChrTo, ChrFrom);
    S result = Subject;
    std::size_t pos = 1;
    for (;;) {
        pos = inStr(pos, result, ChrFrom);
        if (pos == 0) break;
        bool replace = true;
        if (!fNormalRep) {
            const std::size_t start = pos + 1 > inside ? pos - inside + 1 : 1;
            if (inside >= 1 && mid(result, start, ChrTo.size()) == ChrTo) replace = false;
        }
        if (replace) result = result.substr(0, pos - 1) + ChrTo + mid(result, pos + ChrFrom.size());
        pos += ChrTo.size();
    }
    return result;
}

template <class S>
std::size_t rangeReplace(S& T, const S& S1, const S& E, const S& R)
{
    std::size_t count = 0;
    std::size_t p = 1;
    for (;;) {
        const std::size_t s = inStr(p, T, S1);
        if (s == 0) return count;
        ++count;
        std::size_t e = inStr(s, T, E);
        if (e == 0) e = s;
        T = T.substr(0, s - 1) + R + mid(T, e + E.size());
        p = (s - 1) + R.size() + 1;
    }
}

// Pieces numbered from 0 here (the routine's unused slot 0 is left out).
template <class S>
std::vector<S> SplitLines(S s, const S& d)
{
    std::vector<S> pieces;
    if (s.size() >= d.size() && s.compare(s.size() - d.size(), d.size(), d) == 0) s += d;
    do {
        std::size_t p = inStr(1, s, d);
        if (p == 0) p = s.size() + d.size();
        pieces.push_back(trimSpaces(s.substr(0, p - 1)));
        const std::size_t drop = p - 1 + d.size();
        s = drop >= s.size() ? S() : s.substr(drop);
    } while (!s.empty());
    return pieces;
}

template <class S>
bool inSet(std::u16string_view set, const S& L, std::int64_t k)
{
    if (k < 1 || k > static_cast<std::int64_t>(L.size())) return false;
    return set.find(unitOf(L[static_cast<std::size_t>(k - 1)])) != std::u16string_view::npos;
}

template <class S>
S WrapText(const S& text, std::int32_t W, std::u16string_view noStart, std::u16string_view noEnd)
{
    S result;
    const S crLf = reference::text<S>(u"\r\n");
    for (S L : SplitLines(text, crLf)) {
        std::int64_t k = 0;
        do {
            // Characters whose encoding begins within the first W bytes.
            k = 0;
            std::int64_t begins = 1;  // 1-based byte where character k + 1 begins
            while (k < static_cast<std::int64_t>(L.size()) && begins <= W) {
                begins += cp932::byteLength(unitOf(L[static_cast<std::size_t>(k)]));
                ++k;
            }
            if (k >= 2 && !inSet(noStart, L, k) && inSet(noStart, L, k + 1)) {
                k -= 1;
            } else if (k >= 2 && !inSet(noEnd, L, k - 1) && inSet(noEnd, L, k)) {
                k -= 1;
            }
            result += L.substr(0, static_cast<std::size_t>(k)) + crLf;
            L = L.substr(static_cast<std::size_t>(k));
        } while (!L.empty() && k != 0);
    }
    result.erase(result.size() - 2);
    return result;
}

// The page built the way the export builds it: two escape passes with
// chrReplace, then the lines of E + CR LF read back one by one (a line ends at
// CR LF or at a lone CR).
template <class S>
S HtmlPage(const S& source)
{
    S e =
        chrReplace(chrReplace(source, text<S>(u"<"), text<S>(u"&lt;"), false), text<S>(u">"), text<S>(u"&gt;"), false);
    e += text<S>(u"\r\n");
    S body;
    S line;
    for (std::size_t i = 0; i < e.size(); ++i) {
        if (unitOf(e[i]) == u'\r') {
            if (i + 1 < e.size() && unitOf(e[i + 1]) == u'\n') ++i;
            body += line + text<S>(u"<BR>\r\n");
            line.clear();
        } else {
            line += e[i];
        }
    }
    return text<S>(u"<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n") +
           body + text<S>(u"</BODY>\r\n</HTML>");
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

}  // namespace soramie::reference
