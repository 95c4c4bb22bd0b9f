// SPDX-License-Identifier: MIT
#include "core/replace.h"

#include "core/byte_finder.h"
#include "core/cp932.h"
#include "core/private/cp932_table.h"

#include <algorithm>
#include <vector>

namespace soramie {

using cp932::detail::charBytes;

namespace {

constexpr auto npos = std::string_view::npos;

const unsigned char* bytesOf(std::string_view w) { return reinterpret_cast<const unsigned char*>(w.data()); }

// The first character start at or after `target` from the character start `at`,
// never past an undecided last byte of a window that is not final.
std::size_t keepFrom(std::string_view w, std::size_t at, std::size_t target, bool final)
{
    const std::size_t n = w.size();
    if (final) return n;
    if (n == 0) return 0;
    return cp932::charStartAtOrAfter(bytesOf(w), n, at, std::min(std::max(target, at), n - 1));
}

// Where `count` characters from the character start `at` end (or the window's end).
std::size_t skipChars(std::string_view w, std::size_t at, std::size_t count)
{
    const auto* d = bytesOf(w);
    for (; count > 0 && at < w.size(); --count) at += charBytes(d + at, w.size() - at);
    return std::min(at, w.size());
}

}  // namespace

// Finds a marker where the text decoded from a character start holds it.
class MarkerFinder {
public:
    explicit MarkerFinder(std::u16string_view marker) : marker_(marker)
    {
        if (marker_.empty()) return;
        for (const char16_t u : marker_) {
            if (!cp932::encodable(u)) {
                kind_ = Kind::Never;  // decoded bytes never hold a unit without a code
                return;
            }
        }
        if (std::optional<std::string> bytes = cp932::singleSpelling(marker_)) {
            kind_ = Kind::Bytes;
            needle_.emplace(std::move(*bytes));
        }
    }

    bool empty() const { return marker_.empty(); }
    // The most bytes an occurrence takes.
    std::size_t maxBytes() const { return 2 * marker_.size(); }
    // Forgets what it knew of the previous window.
    void newWindow() { decodedFrom_ = npos; }

    struct Match {
        std::size_t start;
        std::size_t end;
    };
    // The first occurrence starting at or after the character start `from`
    // whose characters lie in the window (a lead byte at the end of a window
    // that is not final is undecided and belongs to no occurrence).
    std::optional<Match> find(std::string_view w, std::size_t from, bool final)
    {
        switch (kind_) {
            case Kind::Never:
                return std::nullopt;
            case Kind::Bytes:
                return findBytes(w, from);
            case Kind::Text:
                break;
        }
        return findText(w, from, final);
    }

private:
    enum class Kind { Never, Bytes, Text };

    std::optional<Match> findBytes(std::string_view w, std::size_t from) const
    {
        const auto* d = bytesOf(w);
        const std::size_t n = w.size();
        const std::size_t k = needle_->needle().size();
        std::size_t boundary = from;
        for (std::size_t pos = from; pos + k <= n;) {
            const char* hit = needle_->find(w.data() + pos, n - pos);
            if (hit == nullptr) return std::nullopt;
            const auto c = static_cast<std::size_t>(hit - w.data());
            boundary = cp932::charStartAtOrAfter(d, n, boundary, c);
            if (boundary == c) return Match{c, c + k};
            pos = c + 1;
        }
        return std::nullopt;
    }

    std::optional<Match> findText(std::string_view w, std::size_t from, bool final)
    {
        if (decodedFrom_ == npos || from < decodedFrom_) decode(w, from, final);
        const auto first = std::lower_bound(starts_.begin(), starts_.end(), from);
        const auto index = static_cast<std::size_t>(first - starts_.begin());
        const std::size_t at = std::u16string_view(units_).find(marker_, index);
        if (at == npos) return std::nullopt;
        return Match{starts_[at], starts_[at + marker_.size()]};
    }

    // Decodes the window's characters from `from`; starts_ holds one more entry
    // than units_, the end of the last character.
    void decode(std::string_view w, std::size_t from, bool final)
    {
        const auto* d = bytesOf(w);
        const std::size_t n = w.size();
        units_.clear();
        starts_.clear();
        std::size_t at = from;
        while (at < n) {
            if (!final && at + 1 == n && cp932::isLeadByte(d[at])) break;
            std::size_t used = 0;
            units_.push_back(cp932::decodeOne(w.substr(at), used));
            starts_.push_back(at);
            at += used;
        }
        starts_.push_back(at);
        decodedFrom_ = from;
    }

    std::u16string marker_;
    Kind kind_ = Kind::Text;
    std::optional<ByteFinder> needle_;  // the marker's bytes when kind_ is Bytes
    std::size_t decodedFrom_ = npos;
    std::u16string units_;
    std::vector<std::size_t> starts_;
};

// ---- string replacement --------------------------------------------------------

struct StringReplaceStream::State {
    State(std::u16string_view from, std::u16string_view with, InsideReplacement mode)
        : finder(from),
          to(with),
          inside(with.find(from)),
          check(mode == InsideReplacement::Skip && !from.empty() && inside != npos)
    {}

    MarkerFinder finder;
    EncodedText to;
    const std::size_t inside;  // characters of `to` before `from` in it
    const bool check;          // occurrences inside a copy of `to` are left alone
    // For the check: the last `inside` units of the output and whether the output
    // has at least that many.
    std::u16string tail;
    std::size_t outUnits = 0;

    void remember(std::u16string_view units)
    {
        tail.append(units);
        if (tail.size() > inside) tail.erase(0, tail.size() - inside);
        outUnits = std::min(outUnits + units.size(), inside);
    }

    // Copies window characters [a, b) to the output.
    void copy(StringReplaceStream& self, std::string_view w, std::size_t a, std::size_t b, std::string& out)
    {
        out.append(w.substr(a, b - a));
        self.copied(self.inputOffset(a), b - a, out);
        if (!check || inside == 0 || a == b) return;
        // Decode only the characters the check can look at: from the last sync
        // byte at least 2 * inside bytes before b.
        const auto* d = bytesOf(w);
        std::size_t from = a;
        if (b - a > 2 * inside) from = cp932::lastSyncByte(d, a, b - 2 * inside).value_or(a);
        std::u16string units;
        for (std::size_t at = from; at < b;) {
            std::size_t used = 0;
            units.push_back(cp932::decodeOne(w.substr(at, b - at), used));
            at += used;
            if (units.size() > 2 * inside) units.erase(0, units.size() - inside);
        }
        remember(units);
    }

    // Is the occurrence at j inside a copy of `to` in the text built so far
    // followed by the input? Needs the characters from j that the copy covers.
    bool insideCopy(std::string_view w, std::size_t j) const
    {
        const std::size_t fromOut = std::min(outUnits, inside);
        if (std::u16string_view(tail).substr(tail.size() - fromOut) != std::u16string_view(to.text).substr(0, fromOut))
            return false;
        std::size_t at = j;
        for (std::size_t i = fromOut; i < to.text.size(); ++i) {
            if (at >= w.size()) return false;
            std::size_t used = 0;
            if (cp932::decodeOne(w.substr(at), used) != to.text[i]) return false;
            at += used;
        }
        return true;
    }
};

StringReplaceStream::StringReplaceStream(std::u16string_view from, std::u16string_view to, InsideReplacement inside)
    : s_(std::make_unique<State>(from, to, inside))
{}

StringReplaceStream::~StringReplaceStream() = default;

std::size_t StringReplaceStream::process(std::string_view w, bool final, std::string& out)
{
    State& s = *s_;
    if (s.finder.empty()) {
        out.append(w);
        return w.size();
    }
    s.finder.newWindow();
    // Bytes after an occurrence's start that the check and the skip look at.
    const std::size_t lookahead = 2 * s.to.text.size() + 1;
    std::size_t p = 0;
    for (;;) {
        const auto m = s.finder.find(w, p, final);
        if (!m) break;
        if (s.check && !final && m->start + lookahead > w.size()) {
            s.copy(*this, w, p, m->start, out);
            return m->start;
        }
        s.copy(*this, w, p, m->start, out);
        if (s.check && s.insideCopy(w, m->start)) {
            const std::size_t q = skipChars(w, m->start, s.to.text.size());
            s.copy(*this, w, m->start, q, out);
            p = q;
        } else {
            out.append(s.to.bytes);
            inserted(s.to, out);
            if (s.check) s.remember(s.to.text);
            p = m->end;
        }
    }
    const std::size_t keep = keepFrom(w, p, w.size() + 1 - std::min(w.size() + 1, s.finder.maxBytes()), final);
    s.copy(*this, w, p, keep, out);
    return keep;
}

std::string replaceString(std::string_view subject, std::u16string_view from, std::u16string_view to,
                          InsideReplacement inside)
{
    StringReplaceStream stream(from, to, inside);
    return rewriteAll(stream, subject);
}

// ---- last marker --------------------------------------------------------------

LastMarkerScan::LastMarkerScan(std::u16string_view marker) : finder_(std::make_unique<MarkerFinder>(marker)) {}

LastMarkerScan::~LastMarkerScan() = default;

std::size_t LastMarkerScan::process(std::string_view w, bool final, std::string&)
{
    std::size_t p = 0;
    if (!finder_->empty()) {
        finder_->newWindow();
        // Occurrences may overlap: the next search starts at the next character.
        while (const auto m = finder_->find(w, p, final)) {
            last_ = base_ + m->start;
            p = m->start + charBytes(bytesOf(w) + m->start, w.size() - m->start);
        }
    }
    const std::size_t keep = keepFrom(w, p, w.size() + 1 - std::min(w.size() + 1, finder_->maxBytes()), final);
    base_ += keep;
    return keep;
}

// ---- range replacement ---------------------------------------------------------

struct RangeReplaceStream::State {
    State(std::u16string_view s, std::u16string_view e, std::u16string_view r, std::optional<std::uint64_t> last)
        : start(s), end(e), endChars(e.size()), replacement(r), lastEnd(last)
    {}

    MarkerFinder start;
    MarkerFinder end;
    const std::size_t endChars;
    EncodedText replacement;
    const std::optional<std::uint64_t> lastEnd;
    std::uint64_t base = 0;   // input offset of the window's first byte
    bool seekingEnd = false;  // inside a stretch: its bytes are dropped up to the end marker
    std::size_t count = 0;
};

RangeReplaceStream::RangeReplaceStream(std::u16string_view start, std::u16string_view end,
                                       std::u16string_view replacement, std::optional<std::uint64_t> lastEnd)
    : s_(std::make_unique<State>(start, end, replacement, lastEnd))
{}

RangeReplaceStream::~RangeReplaceStream() = default;

std::size_t RangeReplaceStream::count() const { return s_->count; }

std::size_t RangeReplaceStream::process(std::string_view w, bool final, std::string& out)
{
    State& s = *s_;
    const std::size_t n = w.size();
    if (s.start.empty() || s.end.empty()) {
        out.append(w);
        return n;
    }
    s.start.newWindow();
    s.end.newWindow();
    const auto done = [&](std::size_t at) {
        s.base += at;
        return at;
    };
    const auto copy = [&](std::size_t a, std::size_t b) {
        out.append(w.substr(a, b - a));
        copied(inputOffset(a), b - a, out);
    };
    std::size_t p = 0;
    for (;;) {
        if (s.seekingEnd) {
            if (const auto e = s.end.find(w, p, final)) {
                p = e->end;
                s.seekingEnd = false;
                continue;
            }
            return done(keepFrom(w, p, n + 1 - std::min(n + 1, s.end.maxBytes()), final));
        }
        const auto m = s.start.find(w, p, final);
        if (!m) {
            const std::size_t keep = keepFrom(w, p, n + 1 - std::min(n + 1, s.start.maxBytes()), final);
            copy(p, keep);
            return done(keep);
        }
        const bool endFollows = s.lastEnd && *s.lastEnd >= s.base + m->start;
        if (!endFollows && !final && m->start + 2 * s.endChars + 1 > n) {
            // Not enough bytes here to count the characters the marker replaces.
            copy(p, m->start);
            return done(m->start);
        }
        copy(p, m->start);
        out.append(s.replacement.bytes);
        inserted(s.replacement, out);
        ++s.count;
        if (endFollows) {
            s.seekingEnd = true;
            p = m->start;  // the end marker may overlap the start marker
        } else {
            p = skipChars(w, m->start, s.endChars);
        }
    }
}

RangeReplaceResult replaceRanges(std::string_view text, std::u16string_view start, std::u16string_view end,
                                 std::u16string_view replacement)
{
    LastMarkerScan scan(end);
    rewriteAll(scan, text);
    RangeReplaceStream stream(start, end, replacement, scan.last());
    RangeReplaceResult r;
    r.bytes = rewriteAll(stream, text);
    r.count = stream.count();
    return r;
}

}  // namespace soramie
