// SPDX-License-Identifier: MIT
#include "core/wrap.h"

#include "core/cp932.h"
#include "core/private/cp932_table.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace soramie {
namespace {

constexpr auto npos = std::string_view::npos;

// Membership of UTF-16 units, exact comparison of code units.
class CharSet {
public:
    explicit CharSet(std::u16string_view chars)
    {
        for (char16_t c : chars) bits_.set(c);
    }
    bool contains(char16_t c) const { return bits_.test(c); }

private:
    std::bitset<0x10000> bits_;
};

// A character of the current output line that a break may still move on.
struct Held {
    char bytes[2] = {};
    std::size_t length = 0;
    char16_t unit = 0;
    std::uint64_t inputAt = 0;
    bool fromInput = false;  // else a space that was held back
};

Held hold(const unsigned char* p, std::size_t length, std::optional<std::uint64_t> inputAt)
{
    Held h;
    h.fromInput = inputAt.has_value();
    std::memcpy(h.bytes, p, length);
    h.length = length;
    h.inputAt = inputAt.value_or(0);
    std::size_t used = 0;
    h.unit = cp932::decodeOne(std::string_view(h.bytes, length), used);
    return h;
}

// Length of the run of bytes below 0x80 at the start of p[0, n) (p[0] < 0x80).
std::size_t asciiRun(const unsigned char* p, std::size_t n)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const auto mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

}  // namespace

// The line being cut: its output line so far is emitted except for the last
// two characters (a break moves back by at most one of them).
struct WrapStream::State {
    State(WrapStream& s, WrapWidth w, std::u16string_view noStart, std::u16string_view noEnd)
        : self(s), width(w.bytes < 1 ? 1 : w.bytes), starts(noStart), ends(noEnd)
    {}

    WrapStream& self;
    const std::int64_t width;
    const CharSet starts;
    const CharSet ends;

    std::int64_t used = 0;  // bytes of the current output line, held characters included
    Held held[2];
    int heldCount = 0;
    bool lineHasChars = false;        // the current source line has a character after trimming
    bool atLineStart = true;          // leading spaces of the source line are still skipped
    std::uint64_t pendingSpaces = 0;  // spaces after the last character; dropped if the line ends
    bool pendingBreak = false;        // an output line ended; its CR LF is written before more output

    void write(std::string& out, const char* p, std::size_t n)
    {
        if (pendingBreak) {
            out.append("\r\n");
            pendingBreak = false;
        }
        out.append(p, n);
    }
    // Writes input bytes: window bytes from d + p, or held characters.
    void copy(std::string& out, const unsigned char* d, std::size_t p, std::size_t n)
    {
        write(out, reinterpret_cast<const char*>(d + p), n);
        self.copied(self.inputOffset(p), n, out);
    }
    void writeHeld(std::string& out, int i)
    {
        write(out, held[i].bytes, held[i].length);
        if (held[i].fromInput) self.copied(held[i].inputAt, held[i].length, out);
    }
    void endOutputLine(std::string& out)
    {
        if (pendingBreak) out.append("\r\n");
        pendingBreak = true;
    }
    // Before the break: does the last held character move to the next line with
    // the one after it (`next`, or none at the end of the source line)?
    bool moveLast(const char16_t* next) const
    {
        if (heldCount < 2) return false;
        const char16_t b = held[0].unit;
        const char16_t c = held[1].unit;
        if (next && !starts.contains(c) && starts.contains(*next)) return true;
        return !ends.contains(b) && ends.contains(c);
    }
    void breakLine(std::string& out, const char16_t* next)
    {
        if (moveLast(next)) {
            writeHeld(out, 0);
            endOutputLine(out);
            held[0] = held[1];
            heldCount = 1;
            used = static_cast<std::int64_t>(held[0].length);
            return;
        }
        for (int i = 0; i < heldCount; ++i) writeHeld(out, i);
        endOutputLine(out);
        heldCount = 0;
        used = 0;
    }

    // Adds the characters of d[p, e) (no CR LF inside) to the line. `complete`:
    // a lead byte at e - 1 has no trail to come. `input`: d is the window (else
    // spaces that were held back). Returns where it stopped: e, or the start of
    // an incomplete last character.
    std::size_t add(const unsigned char* d, std::size_t p, std::size_t e, bool complete, bool input, std::string& out)
    {
        const auto at = [&](std::size_t i) {
            return input ? std::optional<std::uint64_t>(self.inputOffset(i)) : std::nullopt;
        };
        while (p < e) {
            if (used < width) {
                std::size_t q = p;
                std::size_t last = npos;
                std::size_t beforeLast = npos;
                std::size_t taken = 0;
                bool stalled = false;
                bool exactRun = false;  // the non-ASCII run at q holds a lead byte without a pair
                while (q < e && used < width) {
                    if (d[q] < 0x80) {
                        exactRun = false;
                        // A run of ASCII bytes: one-byte characters, only the last two matter.
                        const auto room = static_cast<std::size_t>(width - used);
                        const std::size_t r = asciiRun(d + q, std::min(e - q, room));
                        beforeLast = r >= 2 ? q + r - 2 : last;
                        last = q + r - 1;
                        taken += r;
                        q += r;
                        used += static_cast<std::int64_t>(r);
                        continue;
                    }
                    if (q + 1 < e && !exactRun) {
                        // A run of bytes from 0x80: taking every lead byte as the start of
                        // a pair keeps the table lookup off the chain from one character
                        // to the next; if one pair has no character, the rest of the run
                        // is walked exactly.
                        const std::size_t q0 = q;
                        const std::size_t last0 = last;
                        const std::size_t beforeLast0 = beforeLast;
                        const std::size_t taken0 = taken;
                        const std::int64_t used0 = used;
                        bool unpaired = false;
                        while (q + 1 < e && used < width && d[q] >= 0x80) {
                            const bool lead = cp932::isLeadByte(d[q]);
                            unpaired |= lead && cp932::detail::pairUnit(d[q], d[q + 1]) == 0;
                            const std::size_t n = lead ? 2 : 1;
                            beforeLast = last;
                            last = q;
                            ++taken;
                            q += n;
                            used += static_cast<std::int64_t>(n);
                        }
                        if (!unpaired) continue;
                        exactRun = true;
                        q = q0;
                        last = last0;
                        beforeLast = beforeLast0;
                        taken = taken0;
                        used = used0;
                    }
                    if (!complete && q + 1 == e && cp932::isLeadByte(d[q])) {
                        stalled = true;
                        break;
                    }
                    const std::size_t n = cp932::detail::charBytes(d + q, e - q);
                    beforeLast = last;
                    last = q;
                    ++taken;
                    q += n;
                    used += static_cast<std::int64_t>(n);
                }
                if (taken > 0) lineHasChars = true;
                if (taken >= 2) {
                    for (int i = 0; i < heldCount; ++i) writeHeld(out, i);
                    if (input) {
                        copy(out, d, p, beforeLast - p);
                    } else {
                        write(out, reinterpret_cast<const char*>(d + p), beforeLast - p);
                    }
                    held[0] = hold(d + beforeLast, last - beforeLast, at(beforeLast));
                    held[1] = hold(d + last, q - last, at(last));
                    heldCount = 2;
                } else if (taken == 1) {
                    if (heldCount == 2) {
                        writeHeld(out, 0);
                        held[0] = held[1];
                        heldCount = 1;
                    }
                    held[heldCount++] = hold(d + last, q - last, at(last));
                }
                p = q;
                if (stalled) return p;
            } else {
                // The output line is full; the character at p would move on.
                if (!complete && p + 1 == e && cp932::isLeadByte(d[p])) return p;
                const Held next = hold(d + p, cp932::detail::charBytes(d + p, e - p), std::nullopt);
                breakLine(out, &next.unit);
            }
        }
        return p;
    }

    void addPendingSpaces(std::string& out)
    {
        static const std::string spaces(256, ' ');
        const auto* d = reinterpret_cast<const unsigned char*>(spaces.data());
        while (pendingSpaces > 0) {
            const std::size_t n =
                pendingSpaces < spaces.size() ? static_cast<std::size_t>(pendingSpaces) : spaces.size();
            add(d, 0, n, true, false, out);
            pendingSpaces -= n;
        }
    }

    // The source line ends (at CR LF or at the end of the input).
    void endLine(std::string& out)
    {
        if (heldCount > 0 || !lineHasChars) breakLine(out, nullptr);
        if (heldCount > 0) breakLine(out, nullptr);  // a moved opening character on a line of its own
        heldCount = 0;
        used = 0;
        lineHasChars = false;
        atLineStart = true;
        pendingSpaces = 0;
    }
};

WrapStream::WrapStream(WrapWidth width, std::u16string_view noStart, std::u16string_view noEnd)
    : s_(std::make_unique<State>(*this, width, noStart, noEnd))
{}

WrapStream::~WrapStream() = default;

std::size_t WrapStream::process(std::string_view window, bool final, std::string& out)
{
    State& s = *s_;
    const auto* d = reinterpret_cast<const unsigned char*>(window.data());
    const std::size_t n = window.size();
    std::size_t p = 0;
    for (;;) {
        if (s.atLineStart) {
            while (p < n && d[p] == ' ') ++p;
            if (p == n) break;
            s.atLineStart = false;
        }
        // The end of the line's content: the CR of a CR LF, or where the window
        // stops deciding (a CR whose next byte is not here yet).
        std::size_t e = p;
        bool lineEnds = false;
        for (;;) {
            const void* cr = std::memchr(d + e, '\r', n - e);
            if (cr == nullptr) {
                e = n;
                lineEnds = final;
                break;
            }
            e = static_cast<std::size_t>(static_cast<const unsigned char*>(cr) - d);
            if (e + 1 == n) {
                if (final) {
                    e = n;
                    lineEnds = true;
                }
                break;
            }
            if (d[e + 1] == '\n') {
                lineEnds = true;
                break;
            }
            ++e;
        }
        std::size_t t = e;  // after the last character that is not a space
        while (t > p && d[t - 1] == ' ') --t;
        if (t > p) {
            s.addPendingSpaces(out);
            // The character before t is complete when any byte follows it here.
            const std::size_t stop = s.add(d, p, t, lineEnds || t < n, true, out);
            if (stop < t) return stop;
        }
        if (lineEnds) {
            s.endLine(out);
            if (e == n) return n;
            p = e + 2;
            continue;
        }
        s.pendingSpaces += e - t;
        return e;
    }
    if (final) s.endLine(out);
    return n;
}

Result<std::string, WrapError> wrapText(std::string_view bytes, WrapWidth width, std::u16string_view noStart,
                                        std::u16string_view noEnd)
{
    if (width.bytes < 1) return unexpected(WrapError::WidthBelowOne);
    WrapStream stream(width, noStart, noEnd);
    return rewriteAll(stream, bytes);
}

}  // namespace soramie
