// SPDX-License-Identifier: MIT
// Internal to the document: the index of one byte range. Not for other layers.
#pragma once

#include <cstdint>
#include <vector>

namespace soramie::doc_detail {

// Every kCheckpointBytes (or a byte more) a character boundary is recorded with
// its character count, so a position lookup decodes at most that many bytes.
inline constexpr std::uint64_t kCheckpointBytes = 4096;

struct Checkpoint {
    std::uint64_t byte;   // absolute byte offset of a character start
    std::uint64_t chars;  // characters from the segment's begin to byte
};

// Index of bytes [begin, end): begin and end are character boundaries.
struct Segment {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t chars = 0;
    // Absolute starts of the lines that follow each break ending in this range.
    std::vector<std::uint64_t> breaks;
    std::vector<Checkpoint> checkpoints;  // first one is {begin, 0}
};

// A byte below 0x40 is never the trail of a pair, so it always starts a
// character of its own. Returns the first such position in [from, to), or to.
std::uint64_t findSync(const unsigned char* data, std::uint64_t from, std::uint64_t to);

// Indexes [begin, end). Bytes [begin, avail) may be read: avail is end + 1 when a
// byte follows end (to tell CR LF from a lone CR), else end.
Segment scan(const unsigned char* data, std::uint64_t avail, std::uint64_t begin, std::uint64_t end);

// Characters from seg.begin to the character holding byte b (seg.begin <= b <= seg.end).
std::uint64_t charOf(const unsigned char* data, const Segment& seg, std::uint64_t b);
// Byte where the character chars after seg.begin starts (chars <= seg.chars).
std::uint64_t byteOf(const unsigned char* data, const Segment& seg, std::uint64_t chars);

// Bytes the character at data[i] takes when bytes up to limit may form it: 1 or 2.
int charBytes(const unsigned char* data, std::uint64_t i, std::uint64_t limit);

}  // namespace soramie::doc_detail
