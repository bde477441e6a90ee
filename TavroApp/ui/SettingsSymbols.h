#pragma once

#include <QColor>

class QPainter;

// The symbols of the settings tabs and the onboarding steps, on the 24 by 24 grid the other
// symbols use; `w` thickens strokes.
namespace tavro::SettingsSymbols {

void gearshape(QPainter& p, const QColor& c, double w);
void personCropCircle(QPainter& p, const QColor& c, double w);
void command(QPainter& p, const QColor& c, double w);
void internaldrive(QPainter& p, const QColor& c, double w);
void shieldLefthalfFilled(QPainter& p, const QColor& c, double w);
void checkmarkShieldFill(QPainter& p, const QColor& c, double w);
void textBubble(QPainter& p, const QColor& c, double w);

} // namespace tavro::SettingsSymbols
