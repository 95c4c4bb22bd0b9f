// SPDX-License-Identifier: MIT
// String and range replacement on the pane's text (one UTF-16 unit per CP932
// character; every comparison is exact). Both routines are linear in the length
// of the text plus the length of the result.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace soramie {

// Replaces every occurrence of `ChrFrom` in `Subject` by `ChrTo`, scanning left
// to right and never rescanning inserted text; occurrences do not overlap.
// With `fNormalRep` false, an occurrence that already lies inside a copy of
// `ChrTo` is left alone, so that escaping "&" as "&amp;" can be repeated without
// doubling. After each occurrence, replaced or not, the scan resumes
// `ChrTo.size()` characters after the occurrence's start. An empty `ChrFrom`
// returns `Subject` unchanged.
std::u16string chrReplace(std::u16string_view Subject, std::u16string_view ChrFrom, std::u16string_view ChrTo,
                          bool fNormalRep);

// Replaces every stretch from an occurrence of `start` through the first
// occurrence of `end` that begins at or after it (the end marker may overlap the
// start marker), markers included, by `replacement`, and returns the number of
// stretches replaced. When no end marker follows a start marker, the
// `end.size()` characters beginning at the start marker are replaced. The
// replacement is never searched again; stretches do not nest. `start` and `end`
// must not be empty (nothing is replaced and 0 is returned when one is).
std::size_t rangeReplace(std::u16string& text, std::u16string_view start, std::u16string_view end,
                         std::u16string_view replacement);

}  // namespace soramie
