#pragma once

#include <QString>

namespace tavro {

// A name from the library (a group, tag or person name, a file or window title) as the views
// show it: written by agents, workspace members or other programs, it may hold anything. One
// line (line breaks and other control characters become spaces), no embedded direction
// overrides, at most `maxLength` characters (cut between user-perceived characters, with an
// ellipsis), and, when it holds right-to-left text, isolated (FSI…PDI) so that it never
// reorders what surrounds it.
QString shownName(const QString& stored, int maxLength = 120);

} // namespace tavro
