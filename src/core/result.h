// SPDX-License-Identifier: MIT
// Result<T, E>: a value or an error, for window-free code that reports failures
// as values. A small stand-in for std::expected (C++23).
#pragma once

#include <cassert>
#include <string>
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
class Result {
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

// The common error of file operations: what failed, on which path, why (errno text).
struct IoError {
    std::string path;
    std::string what;  // short English description of the step that failed, e.g. "open"
    int errnoValue = 0;
};

}  // namespace soramie
