#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tavro {

// What one write through the library facade came to: its value, or the description of why it
// failed. The caller decides how to tell the user; nothing else keeps the error.
template <class T = void> class [[nodiscard]] WriteResult {
public:
    static WriteResult success(T value) { return WriteResult(std::move(value), {}); }
    static WriteResult failure(std::string message) {
        return WriteResult(std::nullopt, std::move(message));
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only on success.
    const T& value() const { return *value_; }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return &*value_; }
    // Empty on success.
    const std::string& error() const { return error_; }

private:
    WriteResult(std::optional<T> value, std::string error)
        : value_(std::move(value))
        , error_(std::move(error)) {}

    std::optional<T> value_;
    std::string error_;
};

template <> class [[nodiscard]] WriteResult<void> {
public:
    static WriteResult success() { return WriteResult(true, {}); }
    static WriteResult failure(std::string message) {
        return WriteResult(false, std::move(message));
    }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    WriteResult(bool ok, std::string error)
        : ok_(ok)
        , error_(std::move(error)) {}

    bool ok_ = false;
    std::string error_;
};

} // namespace tavro
