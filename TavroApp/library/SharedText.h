#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tavro {

// An optional text that many published captures may hold alike (an application, a window, a
// group, a person): one copy, shared, at the size of a pointer pair. Read like the optional
// string it stands for.
class SharedText {
public:
    SharedText() = default;
    SharedText(const std::optional<std::string>& text)
        : text_(text ? std::make_shared<const std::string>(*text) : nullptr) {}
    explicit SharedText(std::shared_ptr<const std::string> text)
        : text_(std::move(text)) {}

    bool has_value() const { return text_ != nullptr; }
    explicit operator bool() const { return has_value(); }
    const std::string& operator*() const { return *text_; }
    const std::string* operator->() const { return text_.get(); }
    std::string value_or(std::string_view fallback) const {
        return text_ ? *text_ : std::string(fallback);
    }
    std::optional<std::string> optional() const {
        return text_ ? std::optional<std::string>(*text_) : std::nullopt;
    }
    operator std::optional<std::string>() const { return optional(); }

    friend bool operator==(const SharedText& a, const SharedText& b) {
        return a.text_ == b.text_ || (a.text_ && b.text_ && *a.text_ == *b.text_);
    }
    friend bool operator==(const SharedText& a, const std::optional<std::string>& b) {
        return a.text_ ? b && *a.text_ == *b : !b;
    }
    friend bool operator==(const SharedText& a, const std::string& b) {
        return a.text_ && *a.text_ == b;
    }
    friend bool operator==(const SharedText& a, const char* b) { return a.text_ && *a.text_ == b; }
    friend bool operator==(const SharedText& a, std::nullopt_t) { return !a.text_; }

private:
    std::shared_ptr<const std::string> text_;
};

// Hands out one SharedText per distinct text, for the captures of one read.
class SharedTexts {
public:
    SharedText operator()(std::optional<std::string>&& text);

private:
    std::unordered_map<std::string_view, std::shared_ptr<const std::string>> texts_;
};

} // namespace tavro
