#include "desktop/X11TextProperty.h"

#include <QString>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tavro {

namespace {

// Text that came from another client is never trusted to be UTF-8.
std::string validUTF8(std::string_view bytes) {
    const QByteArray clean = QString::fromUtf8(bytes.data(), qsizetype(bytes.size())).toUtf8();
    return std::string(clean.constData(), size_t(clean.size()));
}

std::string latin1(std::string_view bytes) {
    const QByteArray utf8 = QString::fromLatin1(bytes.data(), qsizetype(bytes.size())).toUtf8();
    return std::string(utf8.constData(), size_t(utf8.size()));
}

std::optional<std::string> converted(Display* display, std::uint32_t type, int format,
                                     std::string_view bytes) {
    if (!display || format != 8)
        return std::nullopt;
    std::string value(bytes);
    XTextProperty property;
    property.value = reinterpret_cast<unsigned char*>(value.data());
    property.encoding = type;
    property.format = format;
    property.nitems = value.size();
    char** list = nullptr;
    int count = 0;
    // A positive answer counts characters that had no UTF-8 form; the rest converted.
    if (Xutf8TextPropertyToTextList(display, &property, &list, &count) < Success || !list)
        return std::nullopt;
    std::string text;
    for (int i = 0; i < count; ++i)
        if (list[i])
            text += list[i];
    XFreeStringList(list);
    return validUTF8(text);
}

} // namespace

std::optional<std::string> decodeTextProperty(Display* display, const X11TextAtoms& atoms,
                                              std::uint32_t type, int format,
                                              std::string_view bytes) {
    // Some clients end the value with the NUL of a C string.
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.remove_suffix(1);
    if (bytes.empty() || format != 8)
        return std::nullopt;
    std::optional<std::string> text;
    if (atoms.utf8String != 0 && type == atoms.utf8String)
        text = validUTF8(bytes);
    else if (type == atoms.string)
        text = latin1(bytes);
    else
        text = converted(display, type, format, bytes);
    if (!text || text->empty())
        return std::nullopt;
    return text;
}

} // namespace tavro
