#pragma once

#include <QIcon>
#include <QWidget>

#include <optional>
#include <string>

class QPainter;

namespace tavro {

// The icon of the application a capture came from, or a window symbol when it has none.
class AppIconView final : public QWidget {
    Q_OBJECT

public:
    AppIconView(const std::optional<std::string>& bundleID, int size, QWidget* parent = nullptr);

    // The icon of the application whose desktop entry id (without ".desktop") is `bundleID`.
    // Found icons are kept for the life of the process; a miss is not kept, so an application
    // installed later is found on the next call.
    static std::optional<QIcon> icon(const std::optional<std::string>& bundleID);

    // `icon` as icon() found it, or the fallback symbol, in `rect`.
    static void paint(QPainter& painter, const QRectF& rect, const std::optional<QIcon>& icon,
                      const QPalette& palette);

    bool showsFallback() const { return !icon_; }
    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QIcon> icon_;
    int size_;
};

} // namespace tavro
