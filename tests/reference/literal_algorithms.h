// SPDX-License-Identifier: MIT
// Slow, literal versions of the text routines, written step by step the way the
// routines are described (rebuilding the whole text for each replacement). Tests
// and fuzz targets compare the fast routines in src/core/ against these on many
// inputs; they are quadratic and meant for short texts only. The line and
// character starts are the naive sequential scans the document index must match.
#pragma once

#include "core/cp932.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soramie::reference {

// 1-based position of `needle` in `hay` at or after 1-based `start`, 0 if none
// (an empty needle is found at `start`).
inline std::size_t inStr(std::size_t start, const std::u16string& hay, std::u16string_view needle)
{
    if (start < 1 || start > hay.size() + 1) return 0;
    const std::size_t at = hay.find(needle, start - 1);
    return at == std::u16string::npos ? 0 : at + 1;
}

// Characters `start`.. (1-based) of s, `length` of them or up to the end.
inline std::u16string mid(const std::u16string& s, std::size_t start, std::size_t length = std::u16string::npos)
{
    if (start > s.size()) return {};
    return s.substr(start - 1, length);
}

inline std::u16string trimSpaces(std::u16string s)
{
    while (!s.empty() && s.front() == u' ') s.erase(0, 1);
    while (!s.empty() && s.back() == u' ') s.pop_back();
    return s;
}

inline std::u16string chrReplace(const std::u16string& Subject, const std::u16string& ChrFrom,
                                 const std::u16string& ChrTo, bool fNormalRep)
{
    if (ChrFrom.empty()) return Subject;
    const std::size_t inside = inStr(1, ChrTo, ChrFrom);
    std::u16string result = Subject;
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

inline std::size_t rangeReplace(std::u16string& T, const std::u16string& S, const std::u16string& E,
                                const std::u16string& R)
{
    std::size_t count = 0;
    std::size_t p = 1;
    for (;;) {
        const std::size_t s = inStr(p, T, S);
        if (s == 0) return count;
        ++count;
        std::size_t e = inStr(s, T, E);
        if (e == 0) e = s;
        T = T.substr(0, s - 1) + R + mid(T, e + E.size());
        p = (s - 1) + R.size() + 1;
    }
}

// Pieces numbered from 0 here (the routine's unused slot 0 is left out).
inline std::vector<std::u16string> SplitLines(std::u16string s, const std::u16string& d)
{
    std::vector<std::u16string> pieces;
    if (s.size() >= d.size() && s.compare(s.size() - d.size(), d.size(), d) == 0) s += d;
    do {
        std::size_t p = inStr(1, s, d);
        if (p == 0) p = s.size() + d.size();
        pieces.push_back(trimSpaces(s.substr(0, p - 1)));
        const std::size_t drop = p - 1 + d.size();
        s = drop >= s.size() ? std::u16string() : s.substr(drop);
    } while (!s.empty());
    return pieces;
}

inline bool inSet(std::u16string_view set, const std::u16string& L, std::int64_t k)
{
    if (k < 1 || k > static_cast<std::int64_t>(L.size())) return false;
    return set.find(L[static_cast<std::size_t>(k - 1)]) != std::u16string_view::npos;
}

inline std::u16string WrapText(const std::u16string& text, std::int32_t W, std::u16string_view noStart,
                               std::u16string_view noEnd)
{
    std::u16string result;
    for (std::u16string L : SplitLines(text, u"\r\n")) {
        std::int64_t k = 0;
        do {
            // Characters whose encoding begins within the first W bytes.
            k = 0;
            std::int64_t begins = 1;  // 1-based byte where character k + 1 begins
            while (k < static_cast<std::int64_t>(L.size()) && begins <= W) {
                begins += cp932::byteLength(L[static_cast<std::size_t>(k)]);
                ++k;
            }
            if (k >= 2 && !inSet(noStart, L, k) && inSet(noStart, L, k + 1)) {
                k -= 1;
            } else if (k >= 2 && !inSet(noEnd, L, k - 1) && inSet(noEnd, L, k)) {
                k -= 1;
            }
            result += L.substr(0, static_cast<std::size_t>(k)) + u"\r\n";
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

// The page built the way the export builds it: two escape passes with
// chrReplace, then the lines of E + CR LF read back one by one (a line ends at
// CR LF or at a lone CR).
inline std::u16string HtmlPage(const std::u16string& source)
{
    std::u16string e = chrReplace(chrReplace(source, u"<", u"&lt;", false), u">", u"&gt;", false);
    e += u"\r\n";
    std::u16string body;
    std::u16string line;
    for (std::size_t i = 0; i < e.size(); ++i) {
        if (e[i] == u'\r') {
            if (i + 1 < e.size() && e[i + 1] == u'\n') ++i;
            body += line + u"<BR>\r\n";
            line.clear();
        } else {
            line += e[i];
        }
    }
    return u"<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n" + body +
           u"</BODY>\r\n</HTML>";
}

}  // namespace soramie::reference
