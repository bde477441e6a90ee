#include "values/CaptureError.h"

namespace tavro {

CaptureError::CaptureError(Code code, std::string message, const std::string& description)
    : std::runtime_error(description)
    , code_(code)
    , message_(std::move(message)) {}

CaptureError CaptureError::captureFailed(std::string message) {
    std::string description = "The screenshot failed: " + message;
    return {Code::captureFailed, std::move(message), description};
}

CaptureError CaptureError::writeFailed(std::string message) {
    std::string description = "Couldn't save the screenshot: " + message;
    return {Code::writeFailed, std::move(message), description};
}

CaptureError CaptureError::permissionDenied() {
    return {
        Code::permissionDenied, {}, "Tavro needs Screen Recording permission to take screenshots."};
}

CaptureError CaptureError::noDisplay() {
    return {Code::noDisplay, {}, "Couldn't find the display to capture."};
}

CaptureError CaptureError::emptySelection() {
    return {Code::emptySelection, {}, "That selection was too small to capture."};
}

} // namespace tavro
