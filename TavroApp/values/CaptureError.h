#pragma once

#include <stdexcept>
#include <string>

namespace tavro {

// A failure of screen capture or image writing. what() is the text the capture flow shows.
class CaptureError : public std::runtime_error {
public:
    enum class Code { captureFailed, writeFailed, permissionDenied, noDisplay, emptySelection };

    static CaptureError captureFailed(std::string message);
    static CaptureError writeFailed(std::string message);
    static CaptureError permissionDenied();
    static CaptureError noDisplay();
    static CaptureError emptySelection();

    Code code() const { return code_; }
    const std::string& message() const { return message_; }

private:
    CaptureError(Code code, std::string message, const std::string& description);

    Code code_;
    std::string message_;
};

} // namespace tavro
