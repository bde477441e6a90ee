#pragma once

#include <QObject>
#include <QPointer>

class QScrollArea;
class QWidget;

namespace tavro {

// Keeps one widget of a scroll area where it is on screen while what lies above it grows or
// shrinks: new comments added above the comment field scroll the pane by their height instead
// of pushing the field down and away while the user types. Only while the widget shows in the
// scroll area; scrolling by the user moves the place it is kept at.
class ScrollAnchor final : public QObject {
    Q_OBJECT

public:
    ScrollAnchor(QScrollArea& area, QWidget& anchor);
    ScrollAnchor(const ScrollAnchor&) = delete;
    ScrollAnchor& operator=(const ScrollAnchor&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The anchor's top in the scrolled content.
    int anchorTop() const;
    void remember();
    void keep();

    QScrollArea& area_;
    QPointer<QWidget> anchor_;
    // The anchor's top in the viewport when last remembered, and whether it showed there.
    int offset_ = 0;
    bool inView_ = false;
    bool keeping_ = false;
    bool settling_ = false;
};

} // namespace tavro
