// SPDX-License-Identifier: MIT
// Internal to the document: the piece tree of an edited document. A document's
// bytes are pieces (stretches of sources) kept in a persistent treap ordered by
// position; every node is immutable once made and shared by every document that
// holds it, so an edit costs O(log n) new nodes and earlier documents stay
// valid. Each subtree carries its byte, character, line-break, substitution and
// piece counts. Not for other layers.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

#include "document/private/source.h"

namespace soramie::doc_detail {

// A stretch [begin, end) of a source's bytes, both ends on character
// boundaries of the source, with its counts as if it stood alone (a CR at its
// end counts as a break). Bases are the source's counts before `begin`.
struct Piece {
    SourcePtr src;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t chars = 0;
    std::uint64_t breaks = 0;
    std::uint64_t subs = 0;
    std::uint64_t charBase = 0;
    std::uint64_t breakBase = 0;
    bool endCr = false;  // ends in a CR that the source follows with an LF
    std::uint64_t size() const { return end - begin; }
};

struct Totals {
    std::uint64_t bytes = 0;
    std::uint64_t chars = 0;
    std::uint64_t breaks = 0;
    std::uint64_t subs = 0;
    std::uint64_t pieces = 0;
};

// A node of a persistent treap ordered by position: immutable once made, shared
// by every document that holds it.
struct PieceNode {
    Piece piece;
    std::shared_ptr<const PieceNode> left;
    std::shared_ptr<const PieceNode> right;
    std::uint64_t priority = 0;
    Totals sum;
};

using NodePtr = std::shared_ptr<const PieceNode>;

inline Totals totals(const NodePtr& n) { return n ? n->sum : Totals{}; }

// A new tree of one piece.
NodePtr leaf(Piece piece);
// The tree of a's bytes followed by b's.
NodePtr merge(const NodePtr& a, const NodePtr& b);
// The piece of src over [begin, end) (character boundaries; src indexed).
Piece pieceOf(const SourcePtr& src, std::uint64_t begin, std::uint64_t end);
// Splits t at byte x: the left tree holds bytes [0, x).
std::pair<NodePtr, NodePtr> split(const NodePtr& t, std::uint64_t x);

// Where byte b lies: the piece holding it (null when b is the size) and the
// counts before that piece.
struct Located {
    const Piece* piece = nullptr;
    std::uint64_t start = 0;  // document offset of the piece's first byte
    std::uint64_t chars = 0;
    std::uint64_t breaks = 0;
    std::uint64_t local(std::uint64_t b) const { return piece->begin + (b - start); }
};

Located locate(const NodePtr& root, std::uint64_t b);

// Calls fn(piece, document offset of the piece) for the pieces that overlap
// [from, to), in order.
template <class Fn>
void visit(const PieceNode* n, std::uint64_t base, std::uint64_t from, std::uint64_t to, Fn& fn)
{
    while (n && from < base + n->sum.bytes && to > base) {
        const std::uint64_t lb = totals(n->left).bytes;
        visit(n->left.get(), base, from, to, fn);
        const std::uint64_t ps = base + lb;
        if (from < ps + n->piece.size() && to > ps) fn(n->piece, ps);
        base = ps + n->piece.size();
        n = n->right.get();
    }
}

// Calls fn(piece, document offset of the piece) for the pieces that hold
// characters without a code, in order.
template <class Fn>
void visitSubs(const PieceNode* n, std::uint64_t base, Fn& fn)
{
    while (n && n->sum.subs > 0) {
        const std::uint64_t lb = totals(n->left).bytes;
        visitSubs(n->left.get(), base, fn);
        if (n->piece.subs > 0) fn(n->piece, base + lb);
        base += lb + n->piece.size();
        n = n->right.get();
    }
}

// The piece that holds the k-th (from 0) unit of the count a piece and a
// subtree keep in the given members (characters or line breaks), with k made
// relative to that piece and the document offset of the piece's first byte;
// no piece (and the offset of the end) when the document has k units or fewer.
struct Counted {
    const Piece* piece = nullptr;
    std::uint64_t k = 0;
    std::uint64_t start = 0;
};

template <std::uint64_t Totals::*SubtreeCount, std::uint64_t Piece::*PieceCount>
Counted findCounted(const PieceNode* node, std::uint64_t k)
{
    std::uint64_t start = 0;
    while (node) {
        const Totals l = totals(node->left);
        if (k < l.*SubtreeCount) {
            node = node->left.get();
            continue;
        }
        k -= l.*SubtreeCount;
        start += l.bytes;
        const Piece& p = node->piece;
        if (k < p.*PieceCount) return {&p, k, start};
        k -= p.*PieceCount;
        start += p.size();
        node = node->right.get();
    }
    return {nullptr, k, start};
}

// Source bytes [a, b) of p's source as a view (valid while the source lives).
inline std::string_view viewOf(const Piece& p, std::uint64_t a, std::uint64_t b)
{
    return {reinterpret_cast<const char*>(p.src->data) + a, static_cast<std::size_t>(b - a)};
}

// The byte at document offset b (b < size of root).
unsigned char byteIn(const NodePtr& root, std::uint64_t b);

// Keeps every piece consistent with the decode of the whole byte string at
// the piece boundary j: a piece that ends in a lone lead byte which the next
// piece's first byte completes, or in a CR that the next piece's LF follows,
// has those bytes (and whatever the shifted decode needs until the two agree
// again) moved into a piece of their own.
// Returns the repaired tree (t itself when nothing needed moving).
NodePtr repairJunction(NodePtr t, std::uint64_t j);

}  // namespace soramie::doc_detail
