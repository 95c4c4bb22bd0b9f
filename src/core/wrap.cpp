// SPDX-License-Identifier: MIT
#include "core/wrap.h"

#include "core/cp932.h"

#include <bitset>
#include <memory>

namespace soramie {
namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

std::u16string_view trimSpaces(std::u16string_view s)
{
    const std::size_t first = s.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

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

inline int byteLen(char16_t u) { return u < 0x80 ? 1 : cp932::byteLength(u); }

// Appends the wrapped lines of one trimmed source line, each followed by CR LF.
void wrapLine(std::u16string_view line, std::int32_t width, const CharSet& noStart, const CharSet& noEnd,
              std::u16string& out)
{
    do {
        // k: characters whose first byte lies within the first `width` bytes.
        std::size_t k = 0;
        std::int64_t offset = 0;
        while (k < line.size() && offset < width) offset += byteLen(line[k++]);
        if (k >= 2) {
            const char16_t c = line[k - 1];
            const char16_t b = line[k - 2];
            const bool hasNext = k < line.size();
            if (hasNext && !noStart.contains(c) && noStart.contains(line[k])) --k;
            else if (!noEnd.contains(b) && noEnd.contains(c)) --k;
        }
        out.append(line.substr(0, k));
        out.append(kCrLf);
        line.remove_prefix(k);
        if (k == 0) break;
    } while (!line.empty());
}

}  // namespace

std::vector<std::u16string_view> SplitLines(std::u16string_view text, std::u16string_view delimiter)
{
    std::vector<std::u16string_view> pieces;
    if (delimiter.empty()) return {trimSpaces(text)};  // nothing to split at
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(delimiter, from);
        if (at == std::u16string_view::npos) {
            pieces.push_back(trimSpaces(text.substr(from)));
            return pieces;
        }
        pieces.push_back(trimSpaces(text.substr(from, at - from)));
        from = at + delimiter.size();
    }
}

Result<std::u16string, WrapError> WrapText(std::u16string_view text, WrapWidth width, std::u16string_view noStart,
                                           std::u16string_view noEnd)
{
    if (width.bytes < 1) return unexpected(WrapError::WidthBelowOne);
    const auto starts = std::make_unique<CharSet>(noStart);
    const auto ends = std::make_unique<CharSet>(noEnd);

    std::u16string out;
    out.reserve(text.size() + text.size() / 8 + 16);
    // Walks the CR LF lines without materialising the piece list.
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(kCrLf, from);
        const std::size_t end = at == std::u16string_view::npos ? text.size() : at;
        wrapLine(trimSpaces(text.substr(from, end - from)), width.bytes, *starts, *ends, out);
        if (at == std::u16string_view::npos) break;
        from = at + kCrLf.size();
    }
    out.resize(out.size() - kCrLf.size());
    return out;
}

}  // namespace soramie
