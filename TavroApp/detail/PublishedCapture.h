#pragma once

#include "model/Capture.h"

#include <optional>
#include <string>

namespace tavro {

class Library;

// The capture as the board publishes it now, or nothing once it is gone (deleted, or no longer
// among the published captures).
std::optional<Capture> publishedCapture(const Library& library, const std::string& captureID);

} // namespace tavro
