#pragma once

#include <QRect>
#include <QRegion>

#include <cstdint>
#include <memory>
#include <vector>

namespace tavro {

// Watches where top-level windows leaving the screen are, through the root window's damage
// (DAMAGE). Where no compositor redirects the windows, each draws straight to the screen, so the
// root's damage reports every change to what the screen shows, whoever makes it: the X server
// painting the backgrounds of the windows it exposes, and their programs drawing them again.
// Neither an unmap nor a round trip after it says that those programs have drawn; their damage
// does.
class X11RepaintWatch {
public:
    // Where the top-level windows are, together, in root coordinates; windows gone are left out.
    static QRect areaOf(const std::vector<std::uint32_t>& windows);
    // Watches `area`, where the top-level windows `leaving` are, from before they go: the
    // windows under them (below the topmost in the stacking order) are the ones they uncover.
    // Nothing where the X server has no DAMAGE.
    static std::unique_ptr<X11RepaintWatch> start(const std::vector<std::uint32_t>& leaving,
                                                  const QRect& area);

    ~X11RepaintWatch();
    X11RepaintWatch(const X11RepaintWatch&) = delete;
    X11RepaintWatch& operator=(const X11RepaintWatch&) = delete;

    // Whether anything was drawn in the area since the last call, or since the start.
    bool takeDrawn();
    // Whether each window the leaving ones uncover has been drawn in, within the area, since the
    // start (the root window, which nobody draws again, is not waited for).
    bool uncoveredDrawn() const;

private:
    class Filter;
    struct Uncovered {
        std::uint32_t window = 0;
        QRegion part;
        bool drawn = false;
    };
    X11RepaintWatch(std::uint32_t damage, const QRect& area, std::vector<Uncovered> uncovered);
    void drawn(const QRect& rect);

    std::uint32_t damage_ = 0;
    QRect area_;
    std::vector<Uncovered> uncovered_;
    bool drawn_ = false;
    bool reportedOnce_ = false;
};

} // namespace tavro
