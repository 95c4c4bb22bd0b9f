// SPDX-License-Identifier: MIT
// Document: the text pane's document. It holds a file's CP932 bytes exactly as
// read, a line index (where display lines start) and a character index (UTF-16
// unit <-> byte offset, one unit per CP932 character or undecodable byte).
//
// Loading and indexing: a file is read in place (mapped, never copied as a
// whole), through the descriptor opened by fromFile and kept with the document,
// so a file renamed over its path does not change what the document reads.
// A document made from a file or from a large byte string has its first lines
// indexed before the factory returns; the rest is indexed by background threads
// owned by the document. Every query
// below is thread-safe and answers from what is indexed so far (indexedBytes(),
// lineCount(), charCount() grow until indexed() is true). waitIndexed() blocks
// until the whole document is indexed. The destructor stops the background work.
//
// Display lines end at CR LF, at a lone CR or at a lone LF; the bytes are never
// changed by this. A document of n line breaks has n + 1 lines (the last one is
// empty when the bytes end with a break).
//
// Unencodable characters: a document made from UTF-16 text keeps the bytes '?'
// for characters that have no CP932 code and remembers the original units, so
// text() gives back the text it was made from and the pane can draw it; the
// bytes for saving hold '?' there and unencodableCount() tells the caller.
//
// Files changed in place: the index keeps a checksum of each block of a file's
// bytes and checks a block again whenever it is read for a query, a command or
// a save; a truncation that takes pages away under the document reads as zeros
// instead of ending the process. Either makes integrity() Changed, and the
// paths that write or rewrite the bytes then fail at IoStep::Verify instead of
// passing on bytes the document cannot vouch for. Edits of a file of at most
// kPrivateCopyMax bytes read from a private copy made (and checked) at the
// first edit, so a change of the file after that cannot reach them.
//
// Editing: a document never changes. edited() returns a new document that
// shares this one's bytes: a balanced tree of pieces, each a stretch of an
// immutable buffer (the bytes as read, or the bytes of one insertion), carrying
// its byte, character and line counts. An edit anywhere costs O(log n) and
// copies only the inserted bytes; earlier documents stay valid, so keeping them
// (undo) costs only what the edits added. Untouched stretches keep their bytes
// exactly, undecodable bytes included. The document's characters are always
// those of its whole byte string decoded from the start: where an edit puts a
// lone lead byte before a byte that completes it, or a CR before an LF, the two
// become one character or one line break, as they will when the saved file is
// read again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_io.h"
#include "core/result.h"
#include "core/text_stream.h"
#include "core/types.h"

namespace soramie {

class Document;
using DocumentPtr = std::shared_ptr<const Document>;

namespace doc_detail {
struct PieceNode;
}

// Whether the bytes a document reads in place are still those it indexed.
enum class Integrity : std::uint8_t {
    Intact,   // every check so far found the bytes as they were indexed
    Changed,  // the file was rewritten or truncated in place after it was read
};

// A document built from text, with what the encoding could not represent.
struct TextDocument {
    DocumentPtr document;
    std::size_t unencodableCount = 0;
    // Character position of the first unencodable character, if any.
    std::optional<CharPos> firstUnencodable;
};

class Document {
public:
    // An empty document (0 bytes, 1 empty line).
    static DocumentPtr empty();
    // Edits of a file of at most this many bytes read from a private copy.
    static constexpr std::uint64_t kPrivateCopyMax = std::uint64_t{64} << 20;
    // rewritten() keeps output up to this many bytes in memory; more goes to a
    // private temporary file that the new document reads in place.
    static constexpr std::uint64_t kSpillAbove = std::uint64_t{64} << 20;

    // Reads the file at path. Fails (with the step and errno) when the file cannot
    // be opened, measured or mapped (IoStep::Read, ENOMEM when the address space
    // is too small). The first screen is indexed on return; the rest is indexed
    // in the background. A file that shrinks while it is indexed ends at its new
    // end (shrank() then tells), before a lead byte whose trail the cut took; a
    // page that cannot be read then (an I/O error) reads as zeros and is
    // reported by loadError().
    static Result<DocumentPtr, IoError> fromFile(const std::string& path);
    // A document holding exactly these bytes.
    static DocumentPtr fromBytes(std::string bytes);
    // A document holding text encoded in CP932.
    static TextDocument fromText(std::u16string_view text);
    // Like fromText, but the longest common prefix and suffix of this document's
    // text and the new text keep this document's bytes exactly (including
    // undecodable bytes and characters with several codes); only the middle is
    // encoded anew. Waits until this document is loaded.
    TextDocument withText(std::u16string_view text) const;

    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Size in bytes: the final size once loaded (the file's size at open, unless
    // it shrank while being read).
    ByteOffset size() const;
    bool loaded() const;
    bool indexed() const;
    void waitIndexed() const;
    // Blocks until more than b bytes are indexed or the whole document is.
    void waitIndexedBeyond(ByteOffset b) const;
    // Set when part of the file could not be read while it was indexed; the
    // document holds zeros there.
    std::optional<IoError> loadError() const;
    // Whether the file was found shorter than at open while it was indexed; the
    // document then ends at the new end. False until indexed().
    bool shrank() const;
    // What the checks so far found (cheap; any thread).
    Integrity integrity() const;
    // Checks bytes [from, to) against the checksums taken when they were
    // indexed (memory speed; waits until indexed) and returns the integrity
    // that results.
    Integrity verify(ByteOffset from, ByteOffset to) const;

    // Bytes [0, indexedBytes()) have their lines and characters indexed.
    ByteOffset indexedBytes() const;
    // Lines known so far; equals the final count once indexed().
    LineCount lineCount() const;
    // Start of line n (n < lineCount()).
    ByteOffset lineStart(LineNo n) const;
    // End of line n's content, before its CR LF / CR / LF (n < lineCount()).
    ByteOffset lineEnd(LineNo n) const;
    // The line holding byte b (b <= indexedBytes()); a break's bytes belong to
    // the line they end.
    LineNo lineOf(ByteOffset b) const;

    // Characters in [0, indexedBytes()).
    CharPos charCount() const;
    // The byte where character c starts (c <= charCount(); charCount() maps to
    // indexedBytes()).
    ByteOffset byteOf(CharPos c) const;
    // The character holding byte b (b <= indexedBytes(); a trail byte maps to
    // its character).
    CharPos charOf(ByteOffset b) const;

    // Bytes [from, to) of the loaded bytes (to <= loaded size). The view points
    // into the document when the range lies in one stretch of its storage (always
    // for a document that was not edited), else into `scratch`, which receives a
    // copy. A view into the document stays valid while the document lives.
    std::string_view bytes(ByteOffset from, ByteOffset to, std::string& scratch) const;
    // The byte at b (b < size(); waits until it is loaded).
    char byteAt(ByteOffset b) const;
    // The document's bytes as runs in order (views valid while the document
    // lives); waits until loaded.
    std::vector<std::string_view> slices() const;
    // Decoded text of bytes [from, to) (both on character boundaries), with
    // remembered unencodable units restored.
    std::u16string textOfBytes(ByteOffset from, ByteOffset to) const;
    // The whole text; waits until the document is indexed. Two bytes of memory
    // per character: for documents known to be small (a pane's own text).
    std::u16string text() const;
    // Characters [from, from + length), clamped to the indexed part.
    std::u16string text(CharPos from, CharCount length) const;

    // Feeds the document's bytes to `rewriter` in slices (waiting until loaded;
    // the loaded bytes never change), telling it where characters without a
    // code lie, and returns its output. `progress`, when set, is called on this
    // thread after each slice with the bytes done so far and the total. A failed
    // allocation throws std::bad_alloc and leaves this document as it was.
    std::string rewrite(ByteRewriter& rewriter,
                        const std::function<void(ByteOffset done, ByteOffset total)>& progress = {}) const;
    // The document of a rewriter's output: the bytes, with the characters
    // without a code where the rewriter reports them.
    static DocumentPtr fromRewrite(std::string bytes, const ByteRewriter& rewriter);
    // rewrite() and fromRewrite() for documents of any size: each slice is
    // checked before it is fed (IoStep::Verify, ESTALE, when the file changed
    // under the document: no document is made); output beyond kSpillAbove
    // bytes goes to a private temporary file (mode 0600, unlinked while open)
    // beside the document's file or in $TMPDIR, which the new document reads
    // in place (IoStep::CreateTemp or Write when that fails). The new document
    // keeps this one's fileStamp(): it is derived from the same file.
    Result<DocumentPtr, IoError> rewritten(
        ByteRewriter& rewriter, const std::function<void(ByteOffset done, ByteOffset total)>& progress = {}) const;

    // slices() for a save: every byte read in place is checked first; fails at
    // IoStep::Verify (ESTALE) when the file changed under the document. Waits
    // until loaded.
    Result<std::vector<std::string_view>, IoError> slicesToSave() const;

    // A copy of all bytes: exactly the bytes the document was made from (for a
    // document made from text, its encoding with '?' for unencodable units).
    // Waits until loaded. Holds the whole document in memory: a save writes
    // slicesToSave() instead.
    std::string bytesForSave() const;

    // The document with characters [from, to) (byte offsets on character
    // boundaries, from <= to <= size()) replaced by `text`, encoded in CP932;
    // characters without a code are stored as '?' and remembered. Waits until
    // this document is indexed. The new document keeps this one's fileStamp().
    DocumentPtr edited(ByteOffset from, ByteOffset to, std::u16string_view text) const;
    // The same with bytes to insert as they are.
    DocumentPtr editedBytes(ByteOffset from, ByteOffset to, std::string_view bytes) const;
    // Stretches of storage the document is made of (1 for a document that was
    // never edited).
    std::size_t pieceCount() const;
    // The file a document from fromFile was read from, as it was at open (its
    // descriptor's identity, size and modification time); a document from
    // withText, edited(), editedBytes() or rewritten() keeps its source's. None
    // for documents made from bytes or text.
    std::optional<FileStamp> fileStamp() const;

    // Growing files. appended(newSize) is this document with the bytes its
    // file gained past fileStamp()->size, up to newSize (> that size), added
    // at its end: only the new bytes are read (through the descriptor kept
    // since fromFile, so the file read is the one the document came from,
    // whatever its path names now) and indexed; the bytes the document holds
    // are neither read again nor changed, so an edited document keeps its
    // edits. A character or CR LF split across the old end and the new bytes
    // reads as one. The new document's fileStamp() has the new size and the
    // file's modification time now. Fails at IoStep::Verify (ESTALE) when the
    // bytes just before fileStamp()->size are no longer those the document
    // took in (the file was truncated or rewritten: it no longer continues
    // what the document holds), at IoStep::Read when the document has no file
    // or nothing past its size can be read. Waits until this document is
    // indexed.
    Result<DocumentPtr, IoError> appended(std::uint64_t newSize) const;
    // This document with the same bytes `grown` (made by appended) took in,
    // when this document held the same part of the same file as the document
    // grown was made from (its undo steps); else null. Reads nothing.
    DocumentPtr appendedAlike(const Document& grown) const;
    // The size of the file the document was read from, as it is now (through
    // the kept descriptor: also after the path was renamed over or removed);
    // none for documents without a file.
    std::optional<std::uint64_t> fileSizeNow() const;
    std::size_t unencodableCount() const;
    const std::vector<Substitution>& substitutions() const;

    struct Impl;

private:
    using NodePtr = std::shared_ptr<const doc_detail::PieceNode>;
    explicit Document(std::shared_ptr<Impl> impl, NodePtr root = {});
    static TextDocument fromEncoded(std::string bytes, std::vector<Substitution> subs,
                                    std::optional<CharPos> firstUnencodable);
    DocumentPtr editedEncoded(ByteOffset from, ByteOffset to, std::string bytes, std::vector<Substitution> subs) const;
    NodePtr tree() const;
    void appendText(ByteOffset from, ByteOffset to, std::u16string& out) const;
    // Calls fn(source, begin, end) for the source runs that make up bytes
    // [from, to), in order.
    template <class Fn>
    void forEachRun(std::uint64_t from, std::uint64_t to, Fn&& fn) const;
    IoError verifyError() const;
    // This document with src's bytes (file bytes [stamp.size - src size,
    // stamp.size)) at its end and the file stamp `stamp`.
    DocumentPtr withTail(const std::shared_ptr<Impl>& src, const FileStamp& stamp) const;

    // The source: for a document that was never edited, its bytes and index;
    // for an edited one, the document it was first edited from (for its load
    // error and file stamp). root_ is null until the first edit.
    std::shared_ptr<Impl> d_;
    NodePtr root_;
    // Set once the document took in appended bytes: the file as far as it was
    // taken in (else d_'s stamp), and the source of the last bytes taken in.
    std::optional<FileStamp> stamp_;
    std::shared_ptr<Impl> tail_;
    mutable std::once_flag subsOnce_;
    mutable std::vector<Substitution> subsCache_;
};

}  // namespace soramie
