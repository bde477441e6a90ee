#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

typedef struct _XDisplay Display;

namespace tavro {

// A text property's value as its type says it is encoded, in UTF-8: UTF8_STRING as it is,
// STRING as Latin-1, and COMPOUND_TEXT or the locale's encodings through Xlib's conversion,
// which needs the display the property was read on. Absent when the value is empty or cannot
// be read as text.
struct X11TextAtoms {
    std::uint32_t utf8String = 0;
    std::uint32_t string = 31; // XA_STRING, predefined
};

std::optional<std::string> decodeTextProperty(Display* display, const X11TextAtoms& atoms,
                                              std::uint32_t type, int format,
                                              std::string_view bytes);

} // namespace tavro
