#pragma once

#include <string>
#include <vector>

namespace tavro {

// The ids of a reconcile reply's drop list that this library may act on: those it sent in that
// request, each once, in the reply's order. Anything else the server names is not its to drop.
std::vector<std::string> reconcileDrops(const std::vector<std::string>& sent,
                                        const std::vector<std::string>& drop);

} // namespace tavro
