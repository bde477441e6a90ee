#pragma once

#include "model/Capture.h"

namespace tavro {

// A view edits a copy of the capture it was shown, which may be seconds old by the time the
// edit is written. The result takes from `edited` exactly the fields that differ from `shown`,
// and every other field from `current`, the row as stored now: a claim or status change that
// another program made in between survives.
Capture mergeCaptureEdits(const Capture& shown, const Capture& edited, const Capture& current);

} // namespace tavro
