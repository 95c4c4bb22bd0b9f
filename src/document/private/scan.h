// SPDX-License-Identifier: MIT
// Internal to the document: the compact line and character index. Bytes are
// cut into blocks of about kBlockBytes, each starting on a character boundary;
// the index keeps one entry per block (its start, the characters and line
// breaks before it and a checksum of its bytes). Exact positions inside a
// block come from scanning the block again. Not for other layers.
#pragma once

#include <cstdint>
#include <vector>

namespace soramie::doc_detail {

// Bytes per block of the index (a block ends at the first character start at
// or past this size).
inline constexpr std::uint64_t kBlockBytes = 16384;
// Inside a scanned block a character start is recorded every kMarkBytes (or a
// byte more), so a position lookup decodes at most that many bytes.
inline constexpr std::uint64_t kMarkBytes = 256;

struct Block {
    std::uint64_t begin = 0;   // a character start
    std::uint64_t chars = 0;   // characters before begin
    std::uint64_t breaks = 0;  // line breaks whose following line starts at or before begin
    std::uint64_t hash = 0;    // checksum of the block's bytes (hashBytes)
};

// The index of bytes [begin, end) (character boundaries): its blocks, with
// counts from begin, and its totals.
struct ScannedRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t chars = 0;
    std::uint64_t breaks = 0;
    std::vector<Block> blocks;  // first one starts at begin
};

// A byte below 0x40 is never the trail of a pair, so it always starts a
// character of its own. Returns the first such position in [from, to), or to.
std::uint64_t findSync(const unsigned char* data, std::uint64_t from, std::uint64_t to);

// Indexes [begin, end). Bytes [begin, avail) may be read: avail is end + 1 when a
// byte follows end (to tell CR LF from a lone CR), else end. withHashes: the
// blocks carry checksums (else 0).
ScannedRange scan(const unsigned char* data, std::uint64_t avail, std::uint64_t begin, std::uint64_t end,
                  bool withHashes);

// Checksum of bytes [from, to): a multiply-xor over 8-byte words.
std::uint64_t hashBytes(const unsigned char* data, std::uint64_t from, std::uint64_t to);

// One block scanned in detail.
struct BlockDetail {
    struct Mark {
        std::uint64_t byte;   // a character start
        std::uint64_t chars;  // characters from the block's begin to byte
    };
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::vector<std::uint64_t> lineStarts;  // starts of the lines after each break ending in the block
    std::vector<Mark> marks;                // first one is {begin, 0}
    std::uint64_t hash = 0;
};

BlockDetail scanDetail(const unsigned char* data, std::uint64_t avail, std::uint64_t begin, std::uint64_t end);

// Characters from d.begin to the character holding byte b (d.begin <= b <= d.end).
std::uint64_t charOf(const unsigned char* data, const BlockDetail& d, std::uint64_t b);
// Byte where the character chars after d.begin starts.
std::uint64_t byteOf(const unsigned char* data, const BlockDetail& d, std::uint64_t chars);

// Bytes the character at data[i] takes when bytes up to limit may form it: 1 or 2.
int charBytes(const unsigned char* data, std::uint64_t i, std::uint64_t limit);

}  // namespace soramie::doc_detail
