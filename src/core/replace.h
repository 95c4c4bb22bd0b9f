// SPDX-License-Identifier: MIT
// String and range replacement on CP932 bytes, streaming.
//
// Markers and replacements are text (one UTF-16 unit per CP932 character). An
// occurrence is where the decoded text holds the marker, so a marker's bytes
// inside another character (a trail byte that looks like "[") never match, and
// every comparison is exact. Markers whose characters each have exactly one code
// are searched as bytes with a character-boundary check; other markers (a
// character with several codes such as ∵, an undecodable byte) are searched in
// the decoded text. Bytes outside replaced stretches are copied unchanged, so
// undecodable bytes and characters with several codes keep their bytes; the
// replacement is encoded once (characters without a code become '?').
#pragma once

#include "core/text_stream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace soramie {

class MarkerFinder;

// What string replacement does with an occurrence that already lies inside a
// copy of the replacement in the text built so far.
enum class InsideReplacement {
    Replace,  // replace it like any other occurrence
    Skip,     // leave it alone, so escaping "&" as "&amp;" can be repeated without doubling
};

// Replaces every occurrence of `from` by `to`, scanning left to right and never
// rescanning inserted text; occurrences do not overlap. With
// InsideReplacement::Skip, an occurrence that already lies inside a copy of `to`
// is left alone. After each occurrence, replaced or not, the scan resumes
// `to.size()` characters after the occurrence's start. An empty `from` replaces
// nothing.
class StringReplaceStream final : public ByteRewriter {
public:
    StringReplaceStream(std::u16string_view from, std::u16string_view to, InsideReplacement inside);
    ~StringReplaceStream() override;
    struct State;

private:
    std::size_t process(std::string_view window, bool final, std::string& out) override;
    std::unique_ptr<State> s_;
};

std::string replaceString(std::string_view subject, std::u16string_view from, std::u16string_view to,
                          InsideReplacement inside);

// Finds where the last occurrence of a marker starts in a whole input fed to it
// (no output). Range replacement needs it to know, at a start marker, whether an
// end marker follows anywhere after it.
class LastMarkerScan final : public ByteRewriter {
public:
    explicit LastMarkerScan(std::u16string_view marker);
    ~LastMarkerScan() override;
    // Byte offset of the last occurrence's start in the input, if any.
    std::optional<std::uint64_t> last() const { return last_; }

private:
    std::size_t process(std::string_view window, bool final, std::string& out) override;
    std::unique_ptr<MarkerFinder> finder_;
    std::uint64_t base_ = 0;
    std::optional<std::uint64_t> last_;
};

// Replaces every stretch from an occurrence of `start` through the first
// occurrence of `end` that begins at or after it (the end marker may overlap the
// start marker), markers included, by `replacement`. When no end marker follows
// a start marker, the `end.size()` characters beginning at the start marker are
// replaced. The replacement is never searched again; stretches do not nest.
// `lastEnd` is LastMarkerScan(end)'s answer for the same input. Empty markers
// replace nothing. Bytes of a stretch are dropped as they come, so memory stays
// bounded however far apart the markers are.
class RangeReplaceStream final : public ByteRewriter {
public:
    RangeReplaceStream(std::u16string_view start, std::u16string_view end, std::u16string_view replacement,
                       std::optional<std::uint64_t> lastEnd);
    ~RangeReplaceStream() override;
    // Stretches replaced so far.
    std::size_t count() const;
    struct State;

private:
    std::size_t process(std::string_view window, bool final, std::string& out) override;
    std::unique_ptr<State> s_;
};

struct RangeReplaceResult {
    std::string bytes;
    std::size_t count = 0;
};
RangeReplaceResult replaceRanges(std::string_view text, std::u16string_view start, std::u16string_view end,
                                 std::u16string_view replacement);

}  // namespace soramie
