#pragma once

#include "detail/CaptureMark.h"
#include "library/CaptureDetail.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tavro {

class Library;

// Feeds one part of the detail pane with what it shows of its capture: reads it through the
// facade's reader when the pane opens, and again after a published reload only when the
// capture's mark moved. One read at a time: a change while one is under way asks for one more
// when it answers. A failed read leaves what is shown; the next change tries again.
class DetailFeed final : public QObject {
    Q_OBJECT

public:
    using Show = std::function<void(const CaptureDetail&)>;

    // Asks for the first read at once.
    DetailFeed(Library& library, std::string captureID, DetailParts parts, Show show,
               QObject* parent = nullptr);
    DetailFeed(const DetailFeed&) = delete;
    DetailFeed& operator=(const DetailFeed&) = delete;

    // Reads again whether the mark moved or not.
    void readAgain();
    // How many reads it asked for; whether one is under way.
    int readsAsked() const { return asked_; }
    bool reading() const { return reading_; }

private:
    void follow();
    void ask();
    void arrived(std::uint64_t generation, CaptureDetail detail);

    Library& library_;
    std::string captureID_;
    DetailParts parts_;
    Show show_;
    std::optional<CaptureMark> mark_;
    bool reading_ = false;
    bool again_ = false;
    int asked_ = 0;
    std::uint64_t generation_ = 0;
    std::uint64_t shown_ = 0;
};

} // namespace tavro
