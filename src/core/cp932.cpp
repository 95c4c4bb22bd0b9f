// SPDX-License-Identifier: MIT
#include "core/cp932.h"

#include "core/private/cp932_table.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace soramie::cp932 {
namespace {

using detail::kEncode;
using detail::kEncodePage;
using detail::kNoCode;
using detail::kSingle;
using detail::pairUnit;

constexpr bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

inline std::uint16_t codeUnchecked(char16_t u) { return kEncode[kEncodePage[u >> 8]][u & 0xFF]; }

// The pair code to write for u right after the undecodable lead byte rawLead.
// The chosen code would be read back together with rawLead when rawLead+its first
// byte is a character; then another code of u whose first byte does not join is
// used. Text decoded from bytes always has one: the code it was decoded from.
std::uint16_t codeAfterRawLead(char16_t u, unsigned char rawLead, std::uint16_t chosen)
{
    if (pairUnit(rawLead, static_cast<unsigned char>(chosen >> 8)) == 0) return chosen;
    const detail::AltCode* const end = detail::kAltCodes + detail::kAltCodeCount;
    const detail::AltCode* alt =
        std::lower_bound(detail::kAltCodes, end, u, [](const detail::AltCode& a, char16_t v) { return a.unit < v; });
    for (; alt != end && alt->unit == u; ++alt)
        if (pairUnit(rawLead, static_cast<unsigned char>(alt->code >> 8)) == 0) return alt->code;
    return chosen;
}

// Widens the ASCII run starting at s (s < end, *s < 0x80). Writes at most as many
// units as bytes it consumes, plus up to 15 scratch units within the room the
// caller reserved (one unit per remaining input byte). Advances s and d.
inline void copyAsciiRun(const unsigned char*& s, const unsigned char* end, char16_t*& d)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    while (end - s >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), _mm_unpackhi_epi8(v, zero));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (mask != 0) {
            const int n = __builtin_ctz(mask);
            s += n;
            d += n;
            return;
        }
        s += 16;
        d += 16;
    }
#endif
    while (s < end && *s < 0x80) *d++ = *s++;
}

}  // namespace

std::size_t decodeTo(std::string_view bytes, char16_t* const begin, RawBytes raw)
{
    const bool replace = raw == RawBytes::AsReplacement;
    char16_t* d = begin;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* const end = s + bytes.size();
    while (s < end) {
        const unsigned char b = *s;
        if (b < 0x80) {
            copyAsciiRun(s, end, d);
        } else if (isLeadByte(b)) {
            if (end - s >= 2) {
                if (const char16_t u = pairUnit(b, s[1]); u != 0) {
                    *d++ = u;
                    s += 2;
                    continue;
                }
            }
            *d++ = replace ? char16_t{0xFFFD} : rawByteUnit(b);
            ++s;
        } else {
            *d++ = kSingle[b];
            ++s;
        }
    }
    return static_cast<std::size_t>(d - begin);
}

void decodeAppend(std::string_view bytes, std::u16string& out)
{
    const std::size_t base = out.size();
    // Every byte yields at most one unit, so bytes.size() units of room suffice.
    out.resize(base + bytes.size());
    out.resize(base + decodeTo(bytes, out.data() + base));
}

std::u16string decode(std::string_view bytes)
{
    std::u16string out;
    decodeAppend(bytes, out);
    return out;
}

char16_t decodeOne(std::string_view bytes, std::size_t& consumed)
{
    const auto b = static_cast<unsigned char>(bytes[0]);
    consumed = 1;
    if (!isLeadByte(b)) return kSingle[b];
    if (bytes.size() >= 2) {
        if (const char16_t u = pairUnit(b, static_cast<unsigned char>(bytes[1])); u != 0) {
            consumed = 2;
            return u;
        }
    }
    return rawByteUnit(b);
}

int codeOf(char16_t u)
{
    if (isRawByte(u)) return rawByteValue(u);
    const std::uint16_t code = codeUnchecked(u);
    return code == kNoCode ? -1 : code;
}

bool hasSingleCode(char16_t u)
{
    const int code = codeOf(u);
    if (code < 0 || isRawByte(u)) return false;
    char bytes[2];
    std::size_t used = 0;
    if (decodeOne(std::string_view(bytes, writeCode(code, bytes)), used) != u) return false;
    const detail::AltCode* const end = detail::kAltCodes + detail::kAltCodeCount;
    const detail::AltCode* alt =
        std::lower_bound(detail::kAltCodes, end, u, [](const detail::AltCode& a, char16_t v) { return a.unit < v; });
    return alt == end || alt->unit != u;
}

std::optional<std::string> singleSpelling(std::u16string_view text)
{
    for (const char16_t u : text) {
        if (!hasSingleCode(u)) return std::nullopt;
    }
    EncodeResult enc = encode(text);
    if (!enc.complete() || decode(enc.bytes) != text) return std::nullopt;
    return std::move(enc.bytes);
}

std::size_t charStartAtOrAfter(const unsigned char* d, std::size_t n, std::size_t at, std::size_t target)
{
    if (at >= target) return at;
    if (const auto sync = lastSyncByte(d, at, target)) at = *sync;
    return detail::walkToCharStart(d, n, at, target);
}

int byteLength(char16_t u) { return codeOf(u) > 0xFF ? 2 : 1; }

void encodeAppend(std::u16string_view text, EncodeResult& out)
{
    std::string& bytes = out.bytes;
    std::size_t n = bytes.size();
    // Every unit yields at most two bytes.
    bytes.resize(n + 2 * text.size());
    char* const p = bytes.data();
    char16_t prev = out.lastUnit;  // the previous unit, 0 after a non-BMP character
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        int code = u < 0x80 ? u : codeOf(u);
        if (isHighSurrogate(u) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            // A character outside the BMP: no code, though its low surrogate may look raw.
            if (out.unencodableCount == 0) out.firstUnencodable = out.unitCount + i;
            out.unencodableCount += 2;
            p[n++] = '?';
            p[n++] = '?';
            ++i;
            prev = 0;
            continue;
        }
        if (code < 0) {
            if (out.unencodableCount++ == 0) out.firstUnencodable = out.unitCount + i;
            p[n++] = '?';
        } else {
            if (code > 0xFF && isRawByte(prev) && isLeadByte(rawByteValue(prev)))
                code = codeAfterRawLead(u, rawByteValue(prev), static_cast<std::uint16_t>(code));
            n += writeCode(code, p + n);
        }
        prev = u;
    }
    bytes.resize(n);
    out.unitCount += text.size();
    out.lastUnit = prev;
}

EncodeResult encode(std::u16string_view text)
{
    EncodeResult out;
    encodeAppend(text, out);
    return out;
}

}  // namespace soramie::cp932
