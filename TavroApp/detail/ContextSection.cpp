#include "detail/ContextSection.h"

#include "detail/ClampedLabel.h"
#include "detail/PublishedCapture.h"
#include "detail/SectionParts.h"
#include "library/Library.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tavro {

namespace {

constexpr int labelWidth = 54;

QWidget* makeRow(const CaptureContextRow& row, QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* label =
        themedLabel(toQString(row.label), Theme::Font::caption(), Theme::textTertiary, line);
    label->setFixedWidth(labelWidth);
    layout->addWidget(label, 0, Qt::AlignTop);

    // A link is shortened in its middle, where an address says least; other values lose their
    // end.
    auto* value = new ClampedLabel(2, row.link ? Qt::ElideMiddle : Qt::ElideRight, line);
    value->setFont(Theme::Font::caption());
    setTextColor(value, Theme::textSecondary);
    value->setFullText(toQString(row.value), row.link);
    value->setAccessibleDescription(toQString(row.label));
    layout->addWidget(value, 1, Qt::AlignTop);
    return line;
}

} // namespace

ContextSection::ContextSection(Library& library, const std::string& captureID, QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , captureID_(captureID) {
    auto* layout = sectionStack(this);
    title_ = new SectionLabel(QString(), this);
    layout->addWidget(title_);
    rowsLayout_ = new QVBoxLayout;
    rowsLayout_->setSpacing(5);
    layout->addLayout(rowsLayout_);

    connect(&library, &Library::changed, this, [this](LibraryProperty property) {
        if (property == LibraryProperty::captures)
            refresh();
    });
    refresh();
}

QString ContextSection::title() const {
    return title_->shownText();
}

void ContextSection::refresh() {
    const std::optional<Capture> capture = publishedCapture(library_, captureID_);
    if (!capture)
        return;
    title_->setText(toQString(contextTitle(*capture)));
    std::vector<CaptureContextRow> rows = contextRows(*capture);
    if (rows == rows_)
        return;
    rows_ = std::move(rows);
    while (QLayoutItem* item = rowsLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const CaptureContextRow& row : rows_)
        rowsLayout_->addWidget(makeRow(row, this));
}

} // namespace tavro
