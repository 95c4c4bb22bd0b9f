// SPDX-License-Identifier: MIT
#include "core/text_stream.h"

#include "core/cp932.h"

#include <algorithm>

namespace soramie {

EncodedText::EncodedText(std::u16string_view t) : text(t), bytes(cp932::encode(t).bytes)
{
    // Where encode() wrote '?': units without a code, and both units of a
    // character outside the BMP.
    std::size_t at = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char16_t u = t[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF) {
            subs.push_back({ByteOffset(at++), u});
            subs.push_back({ByteOffset(at++), t[++i]});
            continue;
        }
        const int code = cp932::codeOf(u);
        if (code < 0) subs.push_back({ByteOffset(at), u});
        at += code > 0xFF ? 2 : 1;
    }
}

void ByteRewriter::run(std::string_view window, bool final, std::string& out, std::size_t& done)
{
    outStart_ = out.size();
    done = process(window, final, out);
    windowBase_ += done;
    outputBase_ += out.size() - outStart_;
}

void ByteRewriter::feed(std::string_view chunk, std::string& out)
{
    std::size_t done = 0;
    if (carry_.empty()) {
        // Nothing waits: rewrite the chunk where it lies, keep only its undone tail.
        run(chunk, false, out, done);
        carry_.assign(chunk.substr(done));
        return;
    }
    carry_.append(chunk);
    run(carry_, false, out, done);
    carry_.erase(0, done);
}

void ByteRewriter::finish(std::string& out)
{
    std::size_t done = 0;
    run(carry_, true, out, done);
    carry_.clear();
    carry_.shrink_to_fit();
}

void ByteRewriter::copied(std::uint64_t inputAt, std::size_t n, const std::string& out)
{
    if (inputSubs_.empty() || n == 0) return;
    const std::uint64_t outAt = outputBase_ + (out.size() - outStart_) - n;
    auto it = std::lower_bound(inputSubs_.begin(), inputSubs_.end(), inputAt,
                               [](const Substitution& s, std::uint64_t v) { return s.at.value < v; });
    for (; it != inputSubs_.end() && it->at.value < inputAt + n; ++it)
        outputSubs_.push_back({ByteOffset(outAt + (it->at.value - inputAt)), it->unit});
}

void ByteRewriter::inserted(const EncodedText& text, const std::string& out)
{
    const std::uint64_t outAt = outputBase_ + (out.size() - outStart_) - text.bytes.size();
    for (const Substitution& s : text.subs) outputSubs_.push_back({ByteOffset(outAt + s.at.value), s.unit});
}

std::string rewriteAll(ByteRewriter& rewriter, std::string_view bytes, std::size_t chunk)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8 + 64);
    chunk = std::max<std::size_t>(chunk, 1);
    for (std::size_t at = 0; at < bytes.size(); at += chunk) rewriter.feed(bytes.substr(at, chunk), out);
    rewriter.finish(out);
    return out;
}

}  // namespace soramie
