#pragma once

#include "model/BoardRecords.h"

#include <QColor>
#include <QWidget>

#include <optional>
#include <string>

class QPainter;

namespace tavro {

// A round badge for a person (initials on a colour of their own), a bot (a sparkle on the agent
// tint) or nobody (a person outline on a sunken circle). Its tool tip names the person.
class PersonAvatar final : public QWidget {
    Q_OBJECT

public:
    PersonAvatar(const std::optional<Person>& person, int size, QWidget* parent = nullptr);

    // The same id always gives the same colour; the name plays no part.
    static QColor color(const std::string& id);
    // A person's hue in 0...1: a 31-based hash of the id's code points, kept to 31 bits.
    static double hue(const std::string& id);

    // The badge in `circle`, for views that paint many.
    static void paint(QPainter& painter, const QRectF& circle, const std::optional<Person>& person,
                      const QPalette& palette);

    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Person> person_;
    int size_;
};

} // namespace tavro
