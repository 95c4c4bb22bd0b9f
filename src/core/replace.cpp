// SPDX-License-Identifier: MIT
#include "core/replace.h"

#include <algorithm>

namespace soramie {
namespace {

constexpr auto npos = std::u16string_view::npos;

// Finds `needle` in `hay` at or after `from`, remembering the last answer so
// that a series of searches from non-decreasing positions scans the haystack
// once in total.
class ForwardFinder {
public:
    ForwardFinder(std::u16string_view hay, std::u16string_view needle) : hay_(hay), needle_(needle) {}

    std::size_t findFrom(std::size_t from)
    {
        if (searched_ && from >= searchedFrom_ && (found_ == npos || found_ >= from)) return found_;
        searched_ = true;
        searchedFrom_ = from;
        found_ = from > hay_.size() ? npos : hay_.find(needle_, from);
        return found_;
    }

private:
    std::u16string_view hay_;
    std::u16string_view needle_;
    bool searched_ = false;
    std::size_t searchedFrom_ = 0;
    std::size_t found_ = npos;
};

}  // namespace

std::u16string chrReplace(std::u16string_view Subject, std::u16string_view ChrFrom, std::u16string_view ChrTo,
                          bool fNormalRep)
{
    if (ChrFrom.empty()) return std::u16string(Subject);
    // The result at any moment is `out` followed by Subject[i..]; the scan
    // position is out.size().
    const std::size_t inside = ChrTo.find(ChrFrom);  // npos: ChrFrom is not part of ChrTo
    std::u16string out;
    out.reserve(Subject.size() + (ChrTo.size() > ChrFrom.size() ? Subject.size() / 4 : 0) + 16);
    std::size_t i = 0;
    for (;;) {
        const std::size_t j = i > Subject.size() ? npos : Subject.find(ChrFrom, i);
        if (j == npos) break;
        out.append(Subject.substr(i, j - i));
        bool skip = false;
        if (!fNormalRep && inside != npos) {
            // Does the ChrTo-long text of the result starting `inside` characters
            // before the occurrence (clamped to the text's start) equal ChrTo?
            const std::size_t at = out.size();
            const std::size_t begin = at >= inside ? at - inside : 0;
            const std::size_t fromOut = at - begin;  // characters of the window already in `out`
            const std::size_t fromSubject = ChrTo.size() - std::min(fromOut, ChrTo.size());
            skip = fromOut <= ChrTo.size() && j + fromSubject <= Subject.size() &&
                   std::u16string_view(out).substr(begin, fromOut) == ChrTo.substr(0, fromOut) &&
                   Subject.substr(j, fromSubject) == ChrTo.substr(fromOut);
        }
        if (skip) {
            // The occurrence stays; the scan moves ChrTo.size() characters on.
            const std::size_t keep = std::min(ChrTo.size(), Subject.size() - j);
            out.append(Subject.substr(j, keep));
            i = j + ChrTo.size();
        } else {
            out.append(ChrTo);
            i = j + ChrFrom.size();
        }
    }
    if (i < Subject.size()) out.append(Subject.substr(i));
    return out;
}

std::size_t rangeReplace(std::u16string& text, std::u16string_view start, std::u16string_view end,
                         std::u16string_view replacement)
{
    if (start.empty() || end.empty()) return 0;
    const std::u16string_view source(text);
    ForwardFinder endFinder(source, end);
    std::u16string out;
    std::size_t count = 0;
    std::size_t i = 0;
    for (;;) {
        const std::size_t s = source.find(start, i);
        if (s == npos) break;
        if (count == 0) out.reserve(text.size() + 16);
        ++count;
        const std::size_t e = endFinder.findFrom(s);
        out.append(source.substr(i, s - i));
        out.append(replacement);
        i = std::min((e == npos ? s : e) + end.size(), source.size());
    }
    if (count == 0) return 0;
    out.append(source.substr(i));
    text = std::move(out);
    return count;
}

}  // namespace soramie
