#include "ui/PersonAvatar.h"

#include "ui/Icons.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QPainter>

#include <cstdint>

namespace tavro {

double PersonAvatar::hue(const std::string& id) {
    std::uint32_t h = 0;
    for (char32_t c : toQString(id).toUcs4())
        h = (h * 31u + static_cast<std::uint32_t>(c)) & 0x7FFFFFFFu;
    return static_cast<double>(h % 360) / 360.0;
}

QColor PersonAvatar::color(const std::string& id) {
    return QColor::fromHsvF(static_cast<float>(hue(id)), 0.45f, 0.62f, 1.0f);
}

PersonAvatar::PersonAvatar(const std::optional<Person>& person, int size, QWidget* parent)
    : QWidget(parent)
    , person_(person)
    , size_(size) {
    setFixedSize(size, size);
    setToolTip(person_ ? toQString(person_->name) : QStringLiteral("Unassigned"));
}

void PersonAvatar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(0, 0, size_, size_), person_, palette());
}

void PersonAvatar::paint(QPainter& painter, const QRectF& circle,
                         const std::optional<Person>& person, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double size = circle.width();
    const double glyph = size * 0.5;
    const QRectF glyphRect(circle.left() + (size - glyph) / 2, circle.top() + (size - glyph) / 2,
                           glyph, glyph);
    painter.setPen(Qt::NoPen);
    if (!person) {
        painter.setBrush(Theme::surfaceSunken.resolved(palette));
        painter.drawEllipse(circle);
        paintIcon(painter, Icon::person, glyphRect, Theme::textTertiary.resolved(palette), 1.1);
    } else if (person->isBot()) {
        painter.setBrush(Theme::agentTint.resolved(palette));
        painter.drawEllipse(circle);
        paintIcon(painter, Icon::sparkles, glyphRect, Qt::white, 1.4);
    } else {
        painter.setBrush(color(person->id));
        painter.drawEllipse(circle);
        QFont font = Theme::Font::body();
        font.setPixelSize(std::max(1, static_cast<int>(size * 0.42)));
        font.setWeight(QFont::DemiBold);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(circle, Qt::AlignCenter, toQString(person->initials()));
    }
    painter.restore();
}

} // namespace tavro
