// SPDX-License-Identifier: MIT
// The commands' input and output in fixed windows, so that memory does not grow
// with the size of the input.
#pragma once

#include "core/file_io.h"
#include "core/result.h"
#include "core/text_stream.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace soramie::cli {

// Reads the input (the file `operand`, or standard input for "-" or none) window
// by window and hands each to `sink`.
Status<IoError> forEachWindow(const std::string* operand, const std::function<void(std::string_view)>& sink,
                              ReadFrom from = ReadFrom::AnyFile);

// True when the input can be read twice (a regular file).
bool inputCanBeReread(const std::string* operand);

// Runs `rewriter` over the input and writes its output to `out` window by
// window. Returns the exit status after reporting a failure to `err`.
int rewriteInput(const std::string* operand, ByteRewriter& rewriter, std::ostream& out, std::ostream& err,
                 ReadFrom from = ReadFrom::AnyFile);

// CP932 to UTF-8; an undecodable byte becomes U+FFFD.
class Utf8DecodeStream final : public ByteRewriter {
private:
    std::size_t process(std::string_view window, bool final, std::string& out) override;
};

}  // namespace soramie::cli
