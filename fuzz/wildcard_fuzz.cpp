// SPDX-License-Identifier: MIT
// The wildcard matcher against a direct (memoised recursive) reading of its
// rules, for UTF-8 and UTF-16 names; and the listing order is a total order.
#include "core/utf8.h"
#include "core/wildcard.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace soramie::wildcard;

namespace {

// Bytes of the UTF-8 character at s[i]; a byte that starts no whole character is one.
std::size_t charLen(std::string_view s, std::size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 1;
    for (std::size_t k = 1; k < n; ++k)
        if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Whether name[n..] matches pat[p..], memoised in `memo` (-1: not known yet).
bool matchFrom(std::string_view pat, std::string_view name, std::size_t p, std::size_t n,
               std::vector<signed char>& memo)
{
    signed char& m = memo[p * (name.size() + 1) + n];
    if (m >= 0) return m;
    bool r = false;
    if (p == pat.size()) {
        r = n == name.size();
    } else if (pat[p] == '*') {
        for (std::size_t k = n; !r; k += charLen(name, k)) {
            r = matchFrom(pat, name, p + 1, k, memo);
            if (k == name.size()) break;
        }
    } else if (n < name.size() && pat[p] == '?') {
        r = matchFrom(pat, name, p + 1, n + charLen(name, n), memo);
    } else if (n < name.size()) {
        // Literals compare whole characters (ASCII letters folded).
        const std::size_t lp = charLen(pat, p), ln = charLen(name, n);
        r = lp == ln;
        for (std::size_t k = 0; r && k < lp; ++k) r = fold(pat[p + k]) == fold(name[n + k]);
        r = r && matchFrom(pat, name, p + lp, n + ln, memo);
    }
    m = r;
    return r;
}

bool reference(std::string_view pat, std::string_view name)
{
    const auto match = [name](std::string_view p) {
        std::vector<signed char> memo((p.size() + 1) * (name.size() + 1), -1);
        return matchFrom(p, name, 0, 0, memo);
    };
    return match(pat) || (pat.ends_with(".*") && match(pat.substr(0, pat.size() - 2)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 512) return 0;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = in.find('\0');
    if (cut == std::string_view::npos) return 0;
    const std::string_view pat = in.substr(0, cut), name = in.substr(cut + 1);
    const bool got = matches(pat, name);
    if (got != reference(pat, name)) std::abort();
    const auto pat16 = soramie::utf8::toUtf16(pat), name16 = soramie::utf8::toUtf16(name);
    if (pat16 && name16 && matches(*pat16, *name16) != got) std::abort();

    const int ab = compareNames(pat, name), ba = compareNames(name, pat);
    if (ab != -ba || ((ab == 0) != (pat == name))) std::abort();
    return 0;
}
