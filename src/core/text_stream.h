// SPDX-License-Identifier: MIT
// Streaming rewrites of CP932 bytes (wrap, replace, range replace, HTML page).
//
// A rewriter takes its input in chunks cut anywhere (inside a character, a CR LF
// or a marker) and appends output bytes as soon as they are decided. The output
// of feed() over all chunks followed by finish() is the same for every way of
// cutting the input. Memory stays bounded by what the routine must look ahead
// (a few characters or a marker's length), not by the size of the input. A
// rewriter is used by one thread at a time and cannot be reused after finish().
//
// Characters without a CP932 code are held as the byte '?' plus a Substitution
// that remembers the character. A rewriter told where they lie in its input
// (trackSubstitutions) reports where they went in its output, together with the
// characters without a code that it inserted itself (substitutions()).
#pragma once

#include "core/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soramie {

// A character without a CP932 code, held as the byte '?' at `at`.
struct Substitution {
    ByteOffset at;
    char16_t unit = 0;
};

// Text a rewriter inserts, with its bytes ('?' for characters without a code).
struct EncodedText {
    explicit EncodedText(std::u16string_view text);
    std::u16string text;
    std::string bytes;
    std::vector<Substitution> subs;  // offsets within `bytes`
};

class ByteRewriter {
public:
    virtual ~ByteRewriter() = default;

    // Where characters without a code lie in the input (sorted by offset).
    void trackSubstitutions(std::vector<Substitution> input) { inputSubs_ = std::move(input); }
    // Where characters without a code lie in the output so far (sorted).
    const std::vector<Substitution>& substitutions() const { return outputSubs_; }

    // Takes the next bytes of the input and appends decided output to `out`.
    void feed(std::string_view chunk, std::string& out);
    // Ends the input and appends the rest of the output.
    void finish(std::string& out);

protected:
    // Rewrites a prefix of `window` (the undone bytes of earlier calls followed
    // by the new chunk): appends output and returns how many leading bytes are
    // done; the others start the next window. With `final` set no bytes follow
    // and every byte must be done.
    virtual std::size_t process(std::string_view window, bool final, std::string& out) = 0;

    // Input offset of window byte `at` during process().
    std::uint64_t inputOffset(std::size_t at) const { return windowBase_ + at; }
    // The last n bytes appended to `out` are the input's bytes from `inputAt`.
    void copied(std::uint64_t inputAt, std::size_t n, const std::string& out);
    // The last bytes appended to `out` are `text`'s bytes.
    void inserted(const EncodedText& text, const std::string& out);

private:
    void run(std::string_view window, bool final, std::string& out, std::size_t& done);

    std::string carry_;
    std::uint64_t windowBase_ = 0;  // input offset of the current window's first byte
    std::uint64_t outputBase_ = 0;  // output offset of out[outStart_]
    std::size_t outStart_ = 0;
    std::vector<Substitution> inputSubs_;
    std::vector<Substitution> outputSubs_;
};

// Runs `rewriter` over `bytes` in chunks of `chunk` bytes and returns the output.
std::string rewriteAll(ByteRewriter& rewriter, std::string_view bytes, std::size_t chunk = std::size_t{1} << 20);

}  // namespace soramie
