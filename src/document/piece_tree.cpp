// SPDX-License-Identifier: MIT
#include "document/private/piece_tree.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <string>
#include <vector>

#include "core/cp932.h"

namespace soramie::doc_detail {

namespace {

// Priorities from a counter through splitmix64: balanced in expectation and
// the same in every run.
std::uint64_t nextPriority()
{
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t z = counter.fetch_add(1) * 0x9E3779B97F4A7C15ull + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

NodePtr makeNode(Piece piece, NodePtr left, NodePtr right, std::uint64_t priority)
{
    auto n = std::make_shared<PieceNode>();
    const Totals l = totals(left);
    const Totals r = totals(right);
    n->sum = {l.bytes + piece.size() + r.bytes, l.chars + piece.chars + r.chars, l.breaks + piece.breaks + r.breaks,
              l.subs + piece.subs + r.subs, l.pieces + 1 + r.pieces};
    n->piece = std::move(piece);
    n->left = std::move(left);
    n->right = std::move(right);
    n->priority = priority;
    return n;
}

// Whether document offset b is a character boundary of the piece holding it.
bool pieceBoundary(const NodePtr& root, std::uint64_t b)
{
    const Located at = locate(root, b);
    if (!at.piece || at.start == b) return true;
    const std::uint64_t q = at.local(b);
    std::lock_guard lock(at.piece->src->m);
    return at.piece->src->byteOfLocked(at.piece->src->charOfLocked(q)) == q;
}

}  // namespace

NodePtr leaf(Piece piece) { return makeNode(std::move(piece), nullptr, nullptr, nextPriority()); }

NodePtr merge(const NodePtr& a, const NodePtr& b)
{
    if (!a) return b;
    if (!b) return a;
    if (a->priority > b->priority) return makeNode(a->piece, a->left, merge(a->right, b), a->priority);
    return makeNode(b->piece, merge(a, b->left), b->right, b->priority);
}

Piece pieceOf(const SourcePtr& src, std::uint64_t begin, std::uint64_t end)
{
    Piece p;
    p.src = src;
    p.begin = begin;
    p.end = end;
    std::lock_guard lock(src->m);
    const std::uint64_t size = src->finalSizeLocked();
    p.charBase = src->charOfLocked(begin);
    p.breakBase = src->breaksUpToLocked(begin);
    p.chars = src->charOfLocked(end) - p.charBase;
    p.endCr = end > begin && end < size && src->data[end - 1] == '\r' && src->data[end] == '\n';
    p.breaks = src->breaksUpToLocked(end) - p.breakBase + (p.endCr ? 1 : 0);
    const auto& subs = src->subs;
    const auto lo = std::lower_bound(subs.begin(), subs.end(), begin,
                                     [](const Substitution& s, std::uint64_t v) { return s.at.value < v; });
    const auto hi =
        std::lower_bound(lo, subs.end(), end, [](const Substitution& s, std::uint64_t v) { return s.at.value < v; });
    p.subs = static_cast<std::uint64_t>(hi - lo);
    return p;
}

std::pair<NodePtr, NodePtr> split(const NodePtr& t, std::uint64_t x)
{
    if (!t) return {};
    const std::uint64_t lb = totals(t->left).bytes;
    if (x <= lb) {
        auto [l, r] = split(t->left, x);
        return {l, makeNode(t->piece, r, t->right, t->priority)};
    }
    const std::uint64_t pe = lb + t->piece.size();
    if (x >= pe) {
        auto [l, r] = split(t->right, x - pe);
        return {makeNode(t->piece, t->left, l, t->priority), r};
    }
    const Piece& p = t->piece;
    const std::uint64_t at = p.begin + (x - lb);
    return {merge(t->left, leaf(pieceOf(p.src, p.begin, at))), merge(leaf(pieceOf(p.src, at, p.end)), t->right)};
}

Located locate(const NodePtr& root, std::uint64_t b)
{
    Located at;
    const PieceNode* n = root.get();
    while (n) {
        const Totals l = totals(n->left);
        if (b < at.start + l.bytes) {
            n = n->left.get();
            continue;
        }
        at.start += l.bytes;
        at.chars += l.chars;
        at.breaks += l.breaks;
        if (b < at.start + n->piece.size()) {
            at.piece = &n->piece;
            return at;
        }
        at.start += n->piece.size();
        at.chars += n->piece.chars;
        at.breaks += n->piece.breaks;
        n = n->right.get();
    }
    return at;
}

unsigned char byteIn(const NodePtr& root, std::uint64_t b)
{
    const Located at = locate(root, b);
    assert(at.piece != nullptr && "byteIn needs b < size of root");
    if (at.piece == nullptr) return 0;  // b at or past the end: there is no byte
    return at.piece->src->data[at.local(b)];
}

NodePtr repairJunction(NodePtr t, std::uint64_t j)
{
    const std::uint64_t size = totals(t).bytes;
    if (j == 0 || j >= size || locate(t, j).start != j) return t;
    const unsigned char b1 = byteIn(t, j - 1);
    const unsigned char b2 = byteIn(t, j);
    const bool crlf = b1 == '\r' && b2 == '\n';
    bool pair = false;
    if (!crlf && cp932::isLeadByte(b1) && pieceBoundary(t, j - 1)) {
        const char two[2] = {static_cast<char>(b1), static_cast<char>(b2)};
        std::size_t consumed = 1;
        cp932::decodeOne(std::string_view(two, 2), consumed);
        pair = consumed == 2;
    }
    if (!crlf && !pair) return t;
    const std::uint64_t s = j - 1;
    std::uint64_t pos = s;
    for (;;) {
        std::size_t n = 1;
        const unsigned char c = byteIn(t, pos);
        if (cp932::isLeadByte(c) && pos + 1 < size) {
            const char two[2] = {static_cast<char>(c), static_cast<char>(byteIn(t, pos + 1))};
            cp932::decodeOne(std::string_view(two, 2), n);
        }
        pos += n;
        if (pos >= size) break;
        if (pos <= j) continue;
        if (byteIn(t, pos - 1) == '\r' && byteIn(t, pos) == '\n') continue;
        if (pieceBoundary(t, pos)) break;
    }
    std::string bytes;
    std::vector<Substitution> subs;
    auto copy = [&](const Piece& p, std::uint64_t ps) {
        const std::uint64_t a = p.begin + (std::max(s, ps) - ps);
        const std::uint64_t b = p.begin + (std::min(pos, ps + p.size()) - ps);
        for (const auto& sub : p.src->subs) {
            if (sub.at.value >= a && sub.at.value < b)
                subs.push_back({ByteOffset(bytes.size() + (sub.at.value - a)), sub.unit});
        }
        bytes.append(viewOf(p, a, b));
    };
    visit(t.get(), 0, s, pos, copy);
    auto [left, rest] = split(t, s);
    auto [mid, right] = split(rest, pos - s);
    const SourcePtr src = newSource(std::move(bytes), std::move(subs));
    const std::uint64_t len = pos - s;
    return merge(merge(left, leaf(pieceOf(src, 0, len))), right);
}

}  // namespace soramie::doc_detail
