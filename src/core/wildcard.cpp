// SPDX-License-Identifier: MIT
#include "core/wildcard.h"

#include <algorithm>
#include <cstddef>

namespace soramie::wildcard {
namespace {

constexpr char32_t foldAscii(char32_t c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

// Length in code units of the character starting at s[i] (i < s.size()).
std::size_t charLength(std::string_view s, std::size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 1;
    if (b >= 0xC2 && b <= 0xDF) n = 2;
    else if (b >= 0xE0 && b <= 0xEF) n = 3;
    else if (b >= 0xF0 && b <= 0xF4) n = 4;
    if (i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    }
    return n;
}

std::size_t charLength(std::u16string_view s, std::size_t i)
{
    const char16_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        return 2;
    }
    return 1;
}

template <class Char>
constexpr char32_t unitValue(Char c)
{
    if constexpr (sizeof(Char) == 1) return static_cast<unsigned char>(c);
    else return static_cast<char32_t>(c);
}

// Whole characters compared, ASCII letters without regard to case.
template <class Char>
bool sameCharacter(std::basic_string_view<Char> a, std::basic_string_view<Char> b)
{
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(unitValue(a[i])) != foldAscii(unitValue(b[i]))) return false;
    }
    return true;
}

// Pattern and name advance by whole characters only (a broken sequence counts
// as one character per unit), so both are cut into the same characters at
// every step. Greedy match with backtracking to the last '*': each '*' only ever resumes
// one character further, so the work is bounded by |pattern|·|name|.
template <class Char>
bool matchPlain(std::basic_string_view<Char> pat, std::basic_string_view<Char> name)
{
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t p = 0, n = 0;
    std::size_t starP = none, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && pat[p] == Char('*')) {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pat.size() && pat[p] == Char('?')) {
            ++p;
            n += charLength(name, n);
            continue;
        }
        if (p < pat.size()) {
            const std::size_t lp = charLength(pat, p), ln = charLength(name, n);
            if (lp == ln && sameCharacter(pat.substr(p, lp), name.substr(n, ln))) {
                p += lp;
                n += ln;
                continue;
            }
        }
        if (starP == none) return false;
        starN += charLength(name, starN);
        p = starP;
        n = starN;
    }
    while (p < pat.size() && pat[p] == Char('*')) ++p;
    return p == pat.size();
}

template <class Char>
bool matchAny(std::basic_string_view<Char> pat, std::basic_string_view<Char> name)
{
    if (matchPlain(pat, name)) return true;
    // A trailing ".*" may also stand for "no extension at all".
    const std::size_t n = pat.size();
    if (n >= 2 && pat[n - 2] == Char('.') && pat[n - 1] == Char('*')) {
        return matchPlain(pat.substr(0, n - 2), name);
    }
    return false;
}

}  // namespace

bool matches(std::string_view pattern, std::string_view name) { return matchAny(pattern, name); }
bool matches(std::u16string_view pattern, std::u16string_view name) { return matchAny(pattern, name); }

int compareNames(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t x = foldAscii(static_cast<unsigned char>(a[i]));
        const char32_t y = foldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace soramie::wildcard
