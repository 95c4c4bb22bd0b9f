// SPDX-License-Identifier: MIT
#include "document/finder.h"

#include "core/byte_finder.h"
#include "core/cp932.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string>

namespace soramie {

namespace {

bool cancelled(const CancelFlag* cancel) { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }

// The character boundary at or before byte b (b indexed).
ByteOffset boundaryAtOrBefore(const Document& doc, ByteOffset b) { return doc.byteOf(doc.charOf(b)); }

constexpr bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr unsigned char asciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// Horspool over the keyword's bytes where the bytes of single-byte ASCII
// letters compare without case; a trail byte that looks like a letter keeps
// its case (it belongs to a double-byte character).
class FoldedFinder {
public:
    explicit FoldedFinder(const std::string& needle, const std::u16string& keyword) : needle_(needle)
    {
        fold_.assign(needle.size(), false);
        std::size_t at = 0;
        for (const char16_t u : keyword) {
            if (u < 0x80 && isAsciiLetter(static_cast<unsigned char>(u))) {
                fold_[at] = true;
                needle_[at] = static_cast<char>(asciiLower(static_cast<unsigned char>(u)));
            }
            at += static_cast<std::size_t>(cp932::byteLength(u));
        }
        const std::size_t k = needle_.size();
        shift_.fill(k);
        for (std::size_t i = 0; i + 1 < k; ++i) {
            const auto c = static_cast<unsigned char>(needle_[i]);
            shift_[c] = k - 1 - i;
            if (fold_[i]) shift_[c - ('a' - 'A')] = k - 1 - i;
        }
    }
    bool folds() const { return std::find(fold_.begin(), fold_.end(), true) != fold_.end(); }

    const char* find(const char* hay, std::size_t size) const
    {
        const std::size_t k = needle_.size();
        for (std::size_t at = 0; at + k <= size;) {
            if (equalAt(hay + at)) return hay + at;
            at += shift_[static_cast<unsigned char>(hay[at + k - 1])];
        }
        return nullptr;
    }

private:
    bool equalAt(const char* p) const
    {
        for (std::size_t i = needle_.size(); i-- > 0;) {
            const auto c = static_cast<unsigned char>(p[i]);
            const auto n = static_cast<unsigned char>(needle_[i]);
            if (c != n && !(fold_[i] && asciiLower(c) == n)) return false;
        }
        return true;
    }

    std::string needle_;
    std::vector<bool> fold_;
    std::array<std::size_t, 256> shift_{};
};

bool unitsEqual(char16_t a, char16_t b, LetterCase letterCase)
{
    if (a == b) return true;
    return letterCase == LetterCase::IgnoreAsciiCase && a < 0x80 && b < 0x80 &&
           isAsciiLetter(static_cast<unsigned char>(a)) &&
           asciiLower(static_cast<unsigned char>(a)) == asciiLower(static_cast<unsigned char>(b));
}

class KeywordMatcher final : public Matcher {
public:
    KeywordMatcher(std::u16string keyword, LetterCase letterCase) : keyword_(std::move(keyword)), case_(letterCase)
    {
        if (std::optional<std::string> bytes = cp932::singleSpelling(keyword_)) {
            folded_.emplace(*bytes, keyword_);
            if (case_ == LetterCase::Exact || !folded_->folds()) folded_.reset();
            exact_.emplace(std::move(*bytes));
        }
    }

    std::uint64_t maxMatchBytes() const override { return std::max<std::uint64_t>(1, 2 * keyword_.size()); }

    ScanEnd scan(const Document& doc, ByteOffset from, ByteOffset to, ByteOffset startBelow, const MatchSink& sink,
                 const CancelFlag* cancel) const override
    {
        if (keyword_.empty() || from >= to) return ScanEnd::Done;
        if (cancelled(cancel)) return ScanEnd::Cancelled;
        // Remembered units of unencodable characters are only in the text.
        if (exact_ && doc.unencodableCount() == 0) return scanBytes(doc, from, to, startBelow, sink);
        return scanText(doc, from, to, startBelow, sink);
    }

private:
    ScanEnd scanBytes(const Document& doc, ByteOffset from, ByteOffset to, ByteOffset startBelow,
                      const MatchSink& sink) const
    {
        std::string scratch;
        const std::string_view view = doc.bytes(from, to, scratch);
        const auto* d = reinterpret_cast<const unsigned char*>(view.data());
        const std::size_t n = view.size();
        const std::size_t k = exact_->needle().size();
        const std::size_t limit = static_cast<std::size_t>(std::min(startBelow, to) - from);
        std::size_t known = 0;  // a character start at or before every later hit
        for (std::size_t pos = 0; pos < limit;) {
            const char* found =
                folded_ ? folded_->find(view.data() + pos, n - pos) : exact_->find(view.data() + pos, n - pos);
            if (found == nullptr) break;
            const auto hit = static_cast<std::size_t>(found - view.data());
            if (hit >= limit) break;
            known = cp932::charStartAtOrAfter(d, n, known, hit);
            if (known == hit && !sink({from + hit, from + (hit + k)})) return ScanEnd::Stopped;
            pos = hit + 1;
        }
        return ScanEnd::Done;
    }

    ScanEnd scanText(const Document& doc, ByteOffset from, ByteOffset to, ByteOffset startBelow,
                     const MatchSink& sink) const
    {
        const ByteOffset end = boundaryAtOrBefore(doc, to);
        if (end <= from) return ScanEnd::Done;
        const std::u16string text = doc.textOfBytes(from, end);
        const CharPos base = doc.charOf(from);
        const std::size_t k = keyword_.size();
        for (std::size_t i = 0; i + k <= text.size(); ++i) {
            std::size_t j = 0;
            while (j < k && unitsEqual(text[i + j], keyword_[j], case_)) ++j;
            if (j < k) continue;
            const ByteOffset at = doc.byteOf(base + i);
            if (at >= startBelow) break;
            if (!sink({at, doc.byteOf(base + (i + k))})) return ScanEnd::Stopped;
        }
        return ScanEnd::Done;
    }

    std::u16string keyword_;
    LetterCase case_;
    std::optional<ByteFinder> exact_;     // the keyword's one CP932 spelling
    std::optional<FoldedFinder> folded_;  // set when ASCII letters fold
};

// Scans [from, to) (from a character boundary, indexed) chunk by chunk: each
// chunk reports the matches that start before the next chunk's start and so
// lie whole inside it.
ScanEnd scanChunked(const Document& doc, const Matcher& matcher, ByteOffset from, ByteOffset to, const MatchSink& sink,
                    const CancelFlag* cancel, std::uint64_t chunkBytes, const FindProgress& progress = {})
{
    const std::uint64_t overlap = matcher.maxMatchBytes() - 1;
    const std::uint64_t chunk = std::max<std::uint64_t>({chunkBytes, 16, 4 * overlap + 16});
    ByteOffset s = from;
    while (s < to) {
        if (cancelled(cancel)) return ScanEnd::Cancelled;
        const ByteOffset e = std::min(to, s + chunk);
        const ByteOffset next = e < to ? boundaryAtOrBefore(doc, e - overlap) : to;
        const ScanEnd end = matcher.scan(doc, s, e, next, sink, cancel);
        if (end != ScanEnd::Done) return end;
        if (progress) progress(next, doc.size());
        s = next;
    }
    return ScanEnd::Done;
}

// Line breaks that end in v[from, to): an LF, or a CR that no LF follows (a CR
// at v's end counts as lone). 16 bytes a step with SSE2.
std::uint64_t lineBreaksIn(std::string_view v, std::size_t from, std::size_t to)
{
    const char* d = v.data();
    std::uint64_t breaks = 0;
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; i + 16 <= to && i + 17 <= v.size(); i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 1));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(here, lf),
                                          _mm_andnot_si128(_mm_cmpeq_epi8(after, lf), _mm_cmpeq_epi8(here, cr)));
        breaks += static_cast<std::uint64_t>(__builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(ends))));
    }
#endif
    for (; i < to; ++i) {
        if (d[i] == '\n' || (d[i] == '\r' && (i + 1 == v.size() || d[i + 1] != '\n'))) ++breaks;
    }
    return breaks;
}

}  // namespace

std::unique_ptr<Matcher> makeKeywordMatcher(std::u16string keyword, LetterCase letterCase)
{
    return std::make_unique<KeywordMatcher>(std::move(keyword), letterCase);
}

std::optional<FindMatch> findNext(const Document& doc, const Matcher& matcher, ByteOffset from,
                                  const CancelFlag* cancel, const FindProgress& progress, std::uint64_t chunkBytes)
{
    std::optional<FindMatch> first;
    const MatchSink keepFirst = [&first](FindMatch m) {
        first = m;
        return false;
    };
    const std::uint64_t overlap = matcher.maxMatchBytes() - 1;
    for (;;) {
        // `complete` is read first, so when it is true `indexed` is the final size.
        const bool complete = doc.indexed();
        const ByteOffset indexed = doc.indexedBytes();
        if (from < indexed &&
            scanChunked(doc, matcher, from, indexed, keepFirst, cancel, chunkBytes, progress) == ScanEnd::Cancelled) {
            return std::nullopt;
        }
        if (first) return first;
        if (complete || cancelled(cancel)) return std::nullopt;
        // A match may start before the indexed end and reach beyond it.
        from = std::max(from, boundaryAtOrBefore(doc, indexed - std::min(overlap, indexed.value)));
        doc.waitIndexedBeyond(indexed);
    }
}

std::optional<FindMatch> findPrevious(const Document& doc, const Matcher& matcher, ByteOffset before,
                                      const CancelFlag* cancel)
{
    const std::uint64_t overlap = matcher.maxMatchBytes() - 1;
    const std::uint64_t chunk = std::max<std::uint64_t>(kFindChunkBytes, 4 * overlap + 16);
    std::optional<FindMatch> last;
    const MatchSink keepLast = [&last](FindMatch m) {
        last = m;
        return true;
    };
    for (ByteOffset hi = before; hi > ByteOffset(0);) {
        const ByteOffset lo = boundaryAtOrBefore(doc, ByteOffset(hi.value > chunk ? hi.value - chunk : 0));
        // Matches that start in [lo, hi) and end by `before`.
        const ByteOffset end = std::min(before, hi + overlap);
        if (matcher.scan(doc, lo, end, hi, keepLast, cancel) == ScanEnd::Cancelled) return std::nullopt;
        if (last) return last;
        hi = lo;
    }
    return std::nullopt;
}

ScanEnd forEachMatch(const Document& doc, const Matcher& matcher, const MatchSink& sink, const CancelFlag* cancel,
                     std::uint64_t chunkBytes)
{
    doc.waitIndexed();
    return scanChunked(doc, matcher, ByteOffset(0), doc.size(), sink, cancel, chunkBytes);
}

ScanEnd forEachMatchWithLine(const Document& doc, const Matcher& matcher, const LineMatchSink& sink,
                             const CancelFlag* cancel, std::uint64_t chunkBytes)
{
    doc.waitIndexed();
    const ByteOffset size = doc.size();
    std::vector<FindMatch> pending;  // the matches of the stretch being scanned
    std::uint64_t line = 0;          // line breaks that end before `counted`
    ByteOffset counted;
    bool stopped = false;
    std::string scratch;
    // After each stretch: the line breaks up to each of its matches, read in one go.
    const FindProgress flush = [&](ByteOffset upTo, ByteOffset) {
        if (stopped) return;
        // One byte more, to see whether a CR at the end starts a CR LF.
        const std::string_view v = doc.bytes(counted, std::min(size, upTo + 1), scratch);
        std::size_t at = 0;
        for (const FindMatch& m : pending) {
            const auto q = static_cast<std::size_t>(m.from - counted);
            line += lineBreaksIn(v, at, q);
            at = q;
            if (!sink(m, LineNo(line))) {
                stopped = true;
                return;
            }
        }
        line += lineBreaksIn(v, at, static_cast<std::size_t>(upTo - counted));
        counted = upTo;
        pending.clear();
    };
    const ScanEnd end = scanChunked(
        doc, matcher, ByteOffset(0), size,
        [&](FindMatch m) {
            pending.push_back(m);
            return !stopped;
        },
        cancel, chunkBytes, flush);
    return stopped ? ScanEnd::Stopped : end;
}

}  // namespace soramie
