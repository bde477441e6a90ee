#pragma once

#include <QString>

namespace tavro {

// Menu item titles shown exactly as given. Qt reads a single "&" as a mnemonic marker and hides
// it; names, messages and key names from the keyboard layout (the "1" key of a French layout is
// "&") must keep theirs.
inline QString literalMenuText(QString text) {
    text.replace(u'&', QStringLiteral("&&"));
    return text;
}

} // namespace tavro
