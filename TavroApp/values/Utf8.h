#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tavro {

// The one crossing between core's UTF-8 std::string and Qt's QString. The app builds with
// QT_NO_CAST_FROM_ASCII, so every other conversion goes through these two.
inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toStdString(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace tavro
