// SPDX-License-Identifier: MIT
// Result<T, E>: a value or an error, for window-free code that reports failures
// as values. A small stand-in for std::expected (C++23).
#pragma once

#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace soramie {

// Wraps an error so that Result<T, E> can be built from it unambiguously.
template <class E>
struct Unexpected {
    E error;
};
template <class E>
Unexpected<std::decay_t<E>> unexpected(E&& e)
{
    return {std::forward<E>(e)};
}

template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Unexpected<E> e) : v_(std::in_place_index<1>, std::move(e.error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value()
    {
        assert(ok());
        return std::get<0>(v_);
    }
    const T& value() const
    {
        assert(ok());
        return std::get<0>(v_);
    }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const E& error() const
    {
        assert(!ok());
        return std::get<1>(v_);
    }

private:
    std::variant<T, E> v_;
};

// Result<void, E>: success carries nothing.
struct Ok {};
template <class E>
using Status = Result<Ok, E>;

// The step of a file operation that failed.
enum class IoStep : std::uint8_t {
    Open,         // open the file
    Size,         // learn its size and kind
    Read,         // read its bytes (ECANCELED: the caller stopped the read)
    Write,        // write bytes
    ListFolder,   // open or list a folder
    Encode,       // turn text into the bytes to store (EILSEQ, EINVAL)
    Resolve,      // find the file a write replaces and check that it may be replaced
    FollowLink,   // follow a symbolic link (EACCES: refused for safety; ENOENT: dangling)
    ForeignFile,  // write over an existing file that another user owns in a shared sticky folder (EACCES)
    CreateTemp,   // create the temporary file beside the target
    Permissions,  // give the new file the old one's owner, group and permission bits
    Flush,        // flush the bytes to the disk
    Close,        // close the file
    Replace,      // rename the temporary file over the target
    InPlace,      // rewrite the target in place: the file may hold old and new bytes
    Remove,       // remove a file
    Verify,       // check that bytes read in place are still those read before (ESTALE: the file changed)
};

// A short English verb phrase for a step: "open", "create a temporary file"...
constexpr std::string_view describe(IoStep step)
{
    switch (step) {
        case IoStep::Open:
            return "open";
        case IoStep::Size:
            return "measure";
        case IoStep::Read:
            return "read";
        case IoStep::Write:
            return "write";
        case IoStep::ListFolder:
            return "list folder";
        case IoStep::Encode:
            return "encode";
        case IoStep::Resolve:
            return "resolve";
        case IoStep::FollowLink:
            return "follow the symbolic link";
        case IoStep::ForeignFile:
            return "write over another user's file in a shared sticky folder";
        case IoStep::CreateTemp:
            return "create a temporary file";
        case IoStep::Permissions:
            return "set permissions";
        case IoStep::Flush:
            return "flush";
        case IoStep::Close:
            return "close";
        case IoStep::Replace:
            return "replace";
        case IoStep::InPlace:
            return "rewrite in place";
        case IoStep::Remove:
            return "remove";
        case IoStep::Verify:
            return "check that the file did not change";
    }
    return "access";
}

// The common error of file operations: on which path, which step failed, why.
struct IoError {
    std::string path;
    IoStep step = IoStep::Open;
    int errnoValue = 0;
    std::string detail{};  // optional: what the step was about (a settings key)
};

}  // namespace soramie
