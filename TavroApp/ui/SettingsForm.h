#pragma once

#include <QAbstractButton>
#include <QScrollArea>

class QLabel;
class QVBoxLayout;

namespace tavro {

class FormSection;

// A settings page in the grouped style: sections one under the other, each a header, a rounded
// box of rows split by hairlines, and a footer caption. Scrolls when the page is taller than its
// tab.
class SettingsForm final : public QScrollArea {
    Q_OBJECT

public:
    explicit SettingsForm(QWidget* parent = nullptr);

    // Sections go in the order they are added; an empty header or footer shows nothing.
    FormSection* addSection(const QString& header = {}, const QString& footer = {});

private:
    QVBoxLayout* column_;
};

class FormSection final : public QWidget {
    Q_OBJECT

public:
    FormSection(const QString& header, const QString& footer, QWidget* parent = nullptr);

    // Takes the row; a hairline separates it from the row before.
    void addRow(QWidget* row);
    QWidget* box() const { return box_; }

private:
    QWidget* box_;
    QVBoxLayout* rows_;
    int rowCount_ = 0;
};

// An on/off switch; its accessible name is its label's text.
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(32, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

namespace SettingsRows {

// The label on the left and `control` pushed to the right.
QWidget* labelled(const QString& label, QWidget* control);
// A switch row of the section: the text and its switch, returned for its caller to bind.
ToggleSwitch* addSwitch(FormSection& section, const QString& label, bool on);
// Wrapping text in the caption font and tertiary colour.
QLabel* caption(const QString& text);
// Plain text in a colour of the theme.
QLabel* text(const QString& text, const QFont& font);

} // namespace SettingsRows

} // namespace tavro
