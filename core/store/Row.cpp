#include "store/Row.h"

#include "model/Numbers.h"

namespace tavro {

Row::Row(std::shared_ptr<const std::vector<std::string>> columns, std::vector<SQLValue> values)
    : columns_(std::move(columns))
    , values_(std::move(values)) {}

const std::vector<std::string>& Row::columns() const {
    static const std::vector<std::string> none;
    return columns_ ? *columns_ : none;
}

const SQLValue* Row::value(std::string_view column) const {
    if (!columns_)
        return nullptr;
    for (size_t i = columns_->size(); i-- > 0;)
        if ((*columns_)[i] == column && i < values_.size())
            return &values_[i];
    return nullptr;
}

std::optional<std::string> Row::string(std::string_view column) const {
    if (auto v = value(column))
        if (auto text = std::get_if<std::string>(&v->storage()))
            return *text;
    return std::nullopt;
}

std::optional<std::int64_t> Row::intValue(std::string_view column) const {
    if (auto v = value(column)) {
        if (auto i = std::get_if<std::int64_t>(&v->storage()))
            return *i;
        if (auto d = std::get_if<double>(&v->storage()))
            return truncatedInteger(*d);
    }
    return std::nullopt;
}

std::optional<double> Row::doubleValue(std::string_view column) const {
    if (auto v = value(column)) {
        if (auto i = std::get_if<std::int64_t>(&v->storage()))
            return double(*i);
        if (auto d = std::get_if<double>(&v->storage()))
            return *d;
    }
    return std::nullopt;
}

std::optional<Seconds> Row::date(std::string_view column) const {
    return doubleValue(column);
}

bool Row::boolValue(std::string_view column) const {
    if (auto v = value(column)) {
        if (auto i = std::get_if<std::int64_t>(&v->storage()))
            return *i != 0;
        if (auto d = std::get_if<double>(&v->storage())) {
            auto whole = truncatedInteger(*d);
            return whole ? *whole != 0 : false;
        }
    }
    return false;
}

std::optional<Blob> Row::data(std::string_view column) const {
    if (auto v = value(column))
        if (auto bytes = std::get_if<Blob>(&v->storage()))
            return *bytes;
    return std::nullopt;
}

} // namespace tavro
