// SPDX-License-Identifier: MIT
// The Document facade: a document that was never edited answers from its
// source's index; an edited one answers from its piece tree.
#include "document/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "core/cp932.h"
#include "core/memory.h"
#include "document/private/piece_tree.h"
#include "document/private/source.h"

namespace soramie {

using doc_detail::appendSourceText;
using doc_detail::byteIn;
using doc_detail::Counted;
using doc_detail::encodeRecording;
using doc_detail::findCounted;
using doc_detail::leaf;
using doc_detail::locate;
using doc_detail::Located;
using doc_detail::merge;
using doc_detail::newSource;
using doc_detail::Piece;
using doc_detail::pieceOf;
using doc_detail::repairJunction;
using doc_detail::split;
using doc_detail::Totals;
using doc_detail::totals;
using doc_detail::viewOf;
using doc_detail::visit;
using doc_detail::visitSubs;

Document::Document(std::shared_ptr<Impl> impl, NodePtr root) : d_(std::move(impl)), root_(std::move(root)) {}
Document::~Document() = default;

Document::NodePtr Document::tree() const
{
    if (root_) return root_;
    d_->waitIndexed();
    const std::uint64_t size = this->size().value;
    return size == 0 ? nullptr : leaf(pieceOf(doc_detail::editableSource(d_), 0, size));
}

DocumentPtr Document::edited(ByteOffset from, ByteOffset to, std::u16string_view text) const
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 2);
    std::vector<Substitution> subs;
    encodeRecording(text, bytes, subs);
    return editedEncoded(from, to, std::move(bytes), std::move(subs));
}

DocumentPtr Document::editedBytes(ByteOffset from, ByteOffset to, std::string_view bytes) const
{
    return editedEncoded(from, to, std::string(bytes), {});
}

DocumentPtr Document::editedEncoded(ByteOffset from, ByteOffset to, std::string bytes,
                                    std::vector<Substitution> subs) const
{
    NodePtr t = tree();
    const std::uint64_t size = totals(t).bytes;
    const std::uint64_t a = std::min(from.value, size);
    const std::uint64_t b = std::clamp(to.value, a, size);
    auto [left, rest] = split(t, a);
    auto [gone, right] = split(rest, b - a);
    const std::uint64_t len = bytes.size();
    NodePtr inserted;
    if (len > 0) inserted = leaf(pieceOf(newSource(std::move(bytes), std::move(subs)), 0, len));
    t = merge(merge(left, inserted), right);
    t = repairJunction(std::move(t), a);
    if (len > 0) t = repairJunction(std::move(t), a + len);
    if (!t) t = leaf(pieceOf(newSource({}, {}), 0, 0));
    auto* made = new Document(d_, std::move(t));
    made->stamp_ = stamp_;
    made->tail_ = tail_;
    return DocumentPtr(made);
}

namespace {

// Reads file bytes [from, to) of fd; stops early at the file's end.
std::optional<int> readAt(int fd, std::uint64_t from, std::uint64_t to, std::string& out)
{
    out.resize(static_cast<std::size_t>(to - from));
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(from + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return std::nullopt;
}

// Bytes of the end of what a document took in that an append compares with
// the file before taking more: a file that no longer holds them was cut or
// rewritten.
constexpr std::uint64_t kSeamBytes = 64;

}  // namespace

Result<DocumentPtr, IoError> Document::appended(std::uint64_t newSize) const
{
    const std::optional<FileStamp> stamp = fileStamp();
    const int fd = d_->fd;
    if (!stamp || fd < 0 || newSize <= stamp->size) return unexpected(IoError{d_->path, IoStep::Read, EINVAL});
    waitIndexed();
    // The seam: the last bytes taken in, as they were taken in.
    std::string seam;
    if (tail_) {
        const std::string& held = tail_->owned_;
        seam = held.substr(held.size() - std::min<std::size_t>(held.size(), kSeamBytes));
    } else if (stamp->size > 0 && !d_->verify(stamp->size - std::min(stamp->size, kSeamBytes), stamp->size)) {
        return unexpected(verifyError());
    } else {
        // Checked against the index's checksums just above.
        const std::uint64_t k = std::min(stamp->size, kSeamBytes);
        std::uint64_t held = 0;
        {
            std::lock_guard lock(d_->m);
            held = d_->finalSizeLocked();
        }
        if (stamp->size <= held)
            seam.assign(reinterpret_cast<const char*>(d_->data) + (stamp->size - k), static_cast<std::size_t>(k));
    }
    std::string bytes;
    const std::uint64_t from = stamp->size - seam.size();
    if (const auto error = readAt(fd, from, newSize, bytes)) return unexpected(IoError{d_->path, IoStep::Read, *error});
    if (bytes.compare(0, seam.size(), seam) != 0) return unexpected(verifyError());
    bytes.erase(0, seam.size());
    if (bytes.empty()) return unexpected(IoError{d_->path, IoStep::Read, ENODATA});
    struct stat st {};
    FileStamp next = *stamp;
    next.size += bytes.size();
    if (::fstat(fd, &st) == 0)
        next.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return withTail(newSource(std::move(bytes), {}), next);
}

std::optional<std::uint64_t> Document::fileSizeNow() const
{
    struct stat st {};
    if (d_->fd < 0 || !fileStamp() || ::fstat(d_->fd, &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

DocumentPtr Document::appendedAlike(const Document& grown) const
{
    const std::optional<FileStamp> mine = fileStamp();
    if (!grown.tail_ || !grown.stamp_ || !mine) return nullptr;
    const FileStamp& theirs = *grown.stamp_;
    const std::uint64_t added = grown.tail_->owned_.size();
    if (mine->device != theirs.device || mine->inode != theirs.inode || mine->size + added != theirs.size)
        return nullptr;
    return withTail(grown.tail_, theirs);
}

DocumentPtr Document::withTail(const std::shared_ptr<Impl>& src, const FileStamp& stamp) const
{
    NodePtr t = tree();
    const std::uint64_t at = totals(t).bytes;
    t = merge(t, leaf(pieceOf(src, 0, src->owned_.size())));
    t = repairJunction(std::move(t), at);
    auto* made = new Document(d_, std::move(t));
    made->stamp_ = stamp;
    made->tail_ = src;
    return DocumentPtr(made);
}

std::size_t Document::pieceCount() const { return root_ ? static_cast<std::size_t>(root_->sum.pieces) : 1; }

TextDocument Document::withText(std::u16string_view text) const
{
    const std::u16string old = this->text();
    const std::size_t common = std::min(old.size(), text.size());
    std::size_t prefix = 0;
    while (prefix < common && old[prefix] == text[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < common - prefix && old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) ++suffix;

    const std::uint64_t prefixEnd = byteOf(CharPos(prefix)).value;
    const std::uint64_t suffixBegin = byteOf(CharPos(old.size() - suffix)).value;
    const std::string all = bytesForSave();
    const auto& oldSubs = substitutions();
    std::string bytes;
    bytes.reserve(prefixEnd + (all.size() - suffixBegin) + 2 * (text.size() - prefix - suffix));
    bytes.append(std::string_view(all).substr(0, prefixEnd));

    std::vector<Substitution> subs;
    for (const auto& s : oldSubs) {
        if (s.at.value < prefixEnd) subs.push_back(s);
    }
    encodeRecording(text.substr(prefix, text.size() - prefix - suffix), bytes, subs);
    const std::int64_t shift = static_cast<std::int64_t>(bytes.size()) - static_cast<std::int64_t>(suffixBegin);
    for (const auto& s : oldSubs) {
        if (s.at.value >= suffixBegin)
            subs.push_back(
                {ByteOffset(static_cast<std::uint64_t>(static_cast<std::int64_t>(s.at.value) + shift)), s.unit});
    }
    bytes.append(std::string_view(all).substr(suffixBegin));

    std::optional<CharPos> first;
    for (std::size_t i = 0; i < text.size() && !subs.empty(); ++i) {
        if (!cp932::encodable(text[i])) {
            first = CharPos(i);
            break;
        }
    }
    TextDocument made = fromEncoded(std::move(bytes), std::move(subs), first);
    made.document->d_->stamp = fileStamp();
    return made;
}

std::optional<FileStamp> Document::fileStamp() const { return stamp_ ? stamp_ : d_->stamp; }

ByteOffset Document::size() const
{
    if (root_) return ByteOffset(root_->sum.bytes);
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->finalSizeLocked());
}

bool Document::loaded() const
{
    if (root_) return true;
    std::lock_guard lock(d_->m);
    return d_->loadDone;
}

bool Document::indexed() const
{
    if (root_) return true;
    std::lock_guard lock(d_->m);
    return d_->indexDone;
}

void Document::waitIndexed() const
{
    if (!root_) d_->waitIndexed();
}

void Document::waitIndexedBeyond(ByteOffset b) const
{
    if (root_) return;
    std::unique_lock lock(d_->m);
    d_->cv.wait(lock, [&] { return d_->indexDone || d_->indexedEnd > b.value; });
}

std::optional<IoError> Document::loadError() const
{
    std::lock_guard lock(d_->m);
    return d_->loadErr;
}

bool Document::shrank() const
{
    std::lock_guard lock(d_->m);
    return d_->shrank;
}

template <class Fn>
void Document::forEachRun(std::uint64_t from, std::uint64_t to, Fn&& fn) const
{
    if (!root_) {
        fn(*d_, from, to);
        return;
    }
    auto visitor = [&](const Piece& p, std::uint64_t ps) {
        const std::uint64_t a = std::max(from, ps);
        const std::uint64_t b = std::min(to, ps + p.size());
        fn(*p.src, p.begin + (a - ps), p.begin + (b - ps));
    };
    visit(root_.get(), 0, from, to, visitor);
}

Integrity Document::integrity() const
{
    // An edited document reads from the source its edits were made on (a
    // file's private copy when it has one), not from the file.
    const bool intact = root_ ? doc_detail::editableSource(d_)->intact() : d_->intact();
    return intact ? Integrity::Intact : Integrity::Changed;
}

Integrity Document::verify(ByteOffset from, ByteOffset to) const
{
    d_->waitIndexed();
    bool intact = true;
    forEachRun(from.value, std::min(to.value, size().value),
               [&intact](const Impl& src, std::uint64_t a, std::uint64_t b) { intact = src.verify(a, b) && intact; });
    return intact ? integrity() : Integrity::Changed;
}

IoError Document::verifyError() const { return IoError{d_->path, IoStep::Verify, ESTALE}; }

Result<std::vector<std::string_view>, IoError> Document::slicesToSave() const
{
    std::vector<std::string_view> out = slices();
    if (verify(ByteOffset(0), size()) != Integrity::Intact) return unexpected(verifyError());
    return out;
}

ByteOffset Document::indexedBytes() const
{
    if (root_) return size();
    std::lock_guard lock(d_->m);
    return ByteOffset(d_->indexedEnd);
}

LineCount Document::lineCount() const
{
    if (root_) return LineCount(root_->sum.breaks + 1);
    std::lock_guard lock(d_->m);
    return LineCount(d_->breakTotal + 1);
}

ByteOffset Document::lineStart(LineNo n) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        return ByteOffset(d_->lineStartLocked(std::min(n.value, d_->breakTotal)));
    }
    if (n.value == 0) return ByteOffset(0);
    // The start of line n follows break n - 1.
    const Counted at =
        findCounted<&Totals::breaks, &Piece::breaks>(root_.get(), std::min(n.value, root_->sum.breaks) - 1);
    if (!at.piece) return ByteOffset(at.start);
    const Piece& p = *at.piece;
    if (p.endCr && at.k + 1 == p.breaks) return ByteOffset(at.start + p.size());
    std::lock_guard lock(p.src->m);
    return ByteOffset(at.start + (p.src->breakAt(p.breakBase + at.k) - p.begin));
}

ByteOffset Document::lineEnd(LineNo n) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        if (n.value >= d_->breakTotal) return ByteOffset(d_->indexedEnd);
        const std::uint64_t start = d_->lineStartLocked(n.value);
        const std::uint64_t next = d_->breakAt(n.value);
        std::uint64_t end = next - 1;
        if (d_->data[end] == '\n' && end > start && d_->data[end - 1] == '\r') --end;
        return ByteOffset(end);
    }
    if (n.value >= root_->sum.breaks) return size();
    const std::uint64_t start = lineStart(n).value;
    std::uint64_t end = lineStart(n + 1).value - 1;
    if (byteIn(root_, end) == '\n' && end > start && byteIn(root_, end - 1) == '\r') --end;
    return ByteOffset(end);
}

LineNo Document::lineOf(ByteOffset b) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        return LineNo(d_->breaksUpToLocked(b.value));
    }
    const Located at = locate(root_, b.value);
    if (!at.piece) return LineNo(root_->sum.breaks);
    std::lock_guard lock(at.piece->src->m);
    return LineNo(at.breaks + at.piece->src->breaksUpToLocked(at.local(b.value)) - at.piece->breakBase);
}

CharPos Document::charCount() const
{
    if (root_) return CharPos(root_->sum.chars);
    std::lock_guard lock(d_->m);
    return CharPos(d_->charTotal);
}

ByteOffset Document::byteOf(CharPos c) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        return ByteOffset(d_->byteOfLocked(c.value));
    }
    const Counted at = findCounted<&Totals::chars, &Piece::chars>(root_.get(), c.value);
    if (!at.piece) return ByteOffset(at.start);
    const Piece& p = *at.piece;
    std::lock_guard lock(p.src->m);
    return ByteOffset(at.start + (p.src->byteOfLocked(p.charBase + at.k) - p.begin));
}

CharPos Document::charOf(ByteOffset b) const
{
    if (!root_) {
        std::lock_guard lock(d_->m);
        return CharPos(d_->charOfLocked(b.value));
    }
    const Located at = locate(root_, b.value);
    if (!at.piece) return CharPos(root_->sum.chars);
    std::lock_guard lock(at.piece->src->m);
    return CharPos(at.chars + at.piece->src->charOfLocked(at.local(b.value)) - at.piece->charBase);
}

std::string_view Document::bytes(ByteOffset from, ByteOffset to, std::string& scratch) const
{
    // Bytes handed out are checked against the index first (integrity() tells).
    if (!root_) {
        d_->verifyIndexed(from.value, to.value);
        return {reinterpret_cast<const char*>(d_->data) + from.value, static_cast<std::size_t>(to.value - from.value)};
    }
    if (from >= to) return {};
    // An edited document keeps typed text the user may still copy out of a
    // file that changed: bytes read from the file are handed out only as
    // copies it checked (appendVouched), never as views into the file.
    const Located at = locate(root_, from.value);
    if (at.piece && to.value <= at.start + at.piece->size() && !at.piece->src->checked) {
        return viewOf(*at.piece, at.local(from.value), at.local(to.value));
    }
    scratch.clear();
    scratch.reserve(static_cast<std::size_t>(to.value - from.value));
    forEachRun(from.value, to.value,
               [&](const Impl& src, std::uint64_t a, std::uint64_t b) { src.appendVouched(a, b, scratch); });
    return scratch;
}

char Document::byteAt(ByteOffset b) const
{
    if (root_) return static_cast<char>(byteIn(root_, b.value));
    {
        std::unique_lock lock(d_->m);
        d_->cv.wait(lock, [&] { return d_->loadDone || b.value < d_->indexedEnd; });
    }
    return static_cast<char>(d_->data[b.value]);
}

std::vector<std::string_view> Document::slices() const
{
    std::vector<std::string_view> out;
    if (!root_) {
        d_->waitLoaded();
        out.emplace_back(reinterpret_cast<const char*>(d_->data), static_cast<std::size_t>(size().value));
        return out;
    }
    out.reserve(static_cast<std::size_t>(root_->sum.pieces));
    auto fn = [&](const Piece& p, std::uint64_t) {
        if (p.size() > 0) out.push_back(viewOf(p, p.begin, p.end));
    };
    visit(root_.get(), 0, 0, root_->sum.bytes, fn);
    return out;
}

void Document::appendText(ByteOffset from, ByteOffset to, std::u16string& out) const
{
    if (!root_) {
        appendSourceText(*d_, from.value, to.value, out);
        return;
    }
    std::string vouched;
    forEachRun(from.value, to.value, [&](const Impl& src, std::uint64_t a, std::uint64_t b) {
        if (!src.checked) {
            appendSourceText(src, a, b, out);
            return;
        }
        // A file's bytes carry no remembered units: their checked copy decodes alone.
        vouched.clear();
        src.appendVouched(a, b, vouched);
        cp932::decodeAppend(vouched, out);
    });
}

std::u16string Document::textOfBytes(ByteOffset from, ByteOffset to) const
{
    std::u16string out;
    if (from >= to) return out;
    out.reserve(static_cast<std::size_t>(to.value - from.value));
    appendText(from, to, out);
    return out;
}

std::u16string Document::text() const
{
    waitIndexed();
    return textOfBytes(ByteOffset(0), size());
}

std::u16string Document::text(CharPos from, CharCount length) const
{
    const std::uint64_t total = charCount().value;
    const std::uint64_t c0 = std::min(from.value, total);
    const std::uint64_t c1 = c0 + std::min(length.value, total - c0);
    return textOfBytes(byteOf(CharPos(c0)), byteOf(CharPos(c1)));
}

std::string Document::bytesForSave() const
{
    std::string out;
    for (const std::string_view s : slices()) out.append(s);
    return out;
}

std::string Document::rewrite(ByteRewriter& rewriter,
                              const std::function<void(ByteOffset done, ByteOffset total)>& progress) const
{
    constexpr std::size_t kSlice = std::size_t{4} << 20;
    const std::vector<std::string_view> parts = slices();
    const std::uint64_t total = size().value;
    rewriter.trackSubstitutions(substitutions());
    std::string out;
    out.reserve(static_cast<std::size_t>(total + total / 8 + 64));
    adviseHugePages(out.data(), out.capacity());
    std::uint64_t done = 0;
    std::uint64_t nextReport = kSlice;  // progress about every kSlice bytes, however the pieces are cut
    for (const std::string_view part : parts) {
        for (std::size_t at = 0; at < part.size(); at += kSlice) {
            const std::string_view slice = part.substr(at, kSlice);
            rewriter.feed(slice, out);
            done += slice.size();
            if (progress && (done >= nextReport || done == total)) {
                progress(ByteOffset(done), ByteOffset(total));
                nextReport = done + kSlice;
            }
        }
    }
    rewriter.finish(out);
    return out;
}

DocumentPtr Document::fromRewrite(std::string bytes, const ByteRewriter& rewriter)
{
    return fromEncoded(std::move(bytes), rewriter.substitutions(), std::nullopt).document;
}

Result<DocumentPtr, IoError> Document::rewritten(
    ByteRewriter& rewriter, const std::function<void(ByteOffset done, ByteOffset total)>& progress) const
{
    constexpr std::uint64_t kSlice = std::uint64_t{4} << 20;
    // Once spilling, output goes to the file in writes of about this size.
    constexpr std::uint64_t kSpillWrite = std::uint64_t{8} << 20;
    if (!root_) d_->waitLoaded();
    const std::uint64_t total = size().value;
    rewriter.trackSubstitutions(substitutions());
    std::string out;
    out.reserve(static_cast<std::size_t>(std::min(total + total / 8 + 64, kSpillAbove + 2 * kSlice)));
    SpillFile spill(d_->path);
    std::optional<IoError> failed;
    std::uint64_t done = 0;
    std::uint64_t nextReport = kSlice;  // progress about every kSlice bytes, however the pieces are cut
    forEachRun(0, total, [&](const Impl& src, std::uint64_t a, std::uint64_t b) {
        for (std::uint64_t at = a; at < b && !failed; at += kSlice) {
            const std::uint64_t e = std::min(b, at + kSlice);
            if (!src.verify(at, e)) {
                failed = verifyError();
                return;
            }
            rewriter.feed({reinterpret_cast<const char*>(src.data) + at, static_cast<std::size_t>(e - at)}, out);
            done += e - at;
            if (out.size() > (spill.open() ? kSpillWrite : kSpillAbove)) {
                failed = spill.append(out);
                out.clear();
            }
            if (progress && (done >= nextReport || done == total)) {
                progress(ByteOffset(done), ByteOffset(total));
                nextReport = done + kSlice;
            }
        }
    });
    if (failed) return unexpected(std::move(*failed));
    rewriter.finish(out);
    if (!spill.open()) {
        DocumentPtr made = fromEncoded(std::move(out), rewriter.substitutions(), std::nullopt).document;
        made->d_->stamp = d_->stamp;
        return made;
    }
    if (auto error = spill.append(out)) return unexpected(std::move(*error));
    std::string().swap(out);
    auto impl = std::make_unique<Impl>();
    impl->subs = rewriter.substitutions();
    const std::uint64_t size = spill.size();
    const int fd = spill.release();
    if (const int error = doc_detail::adoptFile(*impl, fd, size, false); error != 0) {
        ::close(fd);
        return unexpected(IoError{d_->path, IoStep::Read, error});
    }
    impl->stamp = d_->stamp;  // the file the output was derived from, not the spill file
    return DocumentPtr(new Document(std::move(impl)));
}

std::size_t Document::unencodableCount() const
{
    return root_ ? static_cast<std::size_t>(root_->sum.subs) : d_->subs.size();
}

const std::vector<Substitution>& Document::substitutions() const
{
    if (!root_) return d_->subs;
    std::call_once(subsOnce_, [this] {
        auto fn = [this](const Piece& p, std::uint64_t ps) {
            if (p.subs == 0) return;
            for (const auto& s : p.src->subs) {
                if (s.at.value >= p.begin && s.at.value < p.end)
                    subsCache_.push_back({ByteOffset(ps + (s.at.value - p.begin)), s.unit});
            }
        };
        visitSubs(root_.get(), 0, fn);
    });
    return subsCache_;
}

}  // namespace soramie
