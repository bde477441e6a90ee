#include "detail/HistorySection.h"

#include "detail/ActivityText.h"
#include "detail/PaneTexts.h"
#include "detail/SectionParts.h"
#include "shell/Labels.h"
#include "shell/Library.h"
#include "shell/RelativeTime.h"
#include "shell/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

namespace {

// The dot before each event.
class EventDot final : public QWidget {
public:
    explicit EventDot(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(5, 10);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::borderStrong.resolved(palette()));
        painter.drawEllipse(QRectF(0, 5, 5, 5));
    }
};

QWidget* makeRow(const QString& text, Seconds createdAt, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(7);
    layout->addWidget(new EventDot(row), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* line = themedLabel(text, Theme::Font::caption(), Theme::textSecondary, row);
    line->setObjectName(QStringLiteral("eventText"));
    line->setWordWrap(true);
    texts->addWidget(line);
    texts->addWidget(themedLabel(RelativeTime::string(createdAt), Theme::Font::caption(),
                                 Theme::textTertiary, row));
    layout->addLayout(texts, 1);
    row->setAccessibleName(text);
    return row;
}

} // namespace

HistorySection::HistorySection(Library& library, const std::string& captureID, QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , captureID_(captureID) {
    auto* layout = sectionStack(this);
    layout->addWidget(new SectionLabel(toQString(PaneTexts::history), this));
    rowsLayout_ = new QVBoxLayout;
    rowsLayout_->setSpacing(6);
    layout->addLayout(rowsLayout_);
    connect(&library, &Library::reloaded, this, &HistorySection::refresh);
    refresh();
}

QStringList HistorySection::lines() const {
    QStringList lines;
    for (int i = 0; i < rowsLayout_->count(); ++i)
        if (QWidget* row = rowsLayout_->itemAt(i)->widget())
            lines << row->findChild<QLabel*>(QStringLiteral("eventText"))->text();
    return lines;
}

void HistorySection::refresh() {
    // Rebuilt on every read, so that the ages are those of now.
    const std::vector<ActivityEvent> events = library_.activity(captureID_);
    const std::vector<Person>& people = library_.people();
    while (QLayoutItem* item = rowsLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (auto event = events.rbegin(); event != events.rend(); ++event)
        rowsLayout_->addWidget(
            makeRow(toQString(eventDescription(*event, people)), event->createdAt, this));
    // Shown again only when it was hidden here: a section never shows itself as a window.
    if (events.empty()) {
        hiddenForNoEvents_ = true;
        hide();
    } else if (hiddenForNoEvents_) {
        hiddenForNoEvents_ = false;
        show();
    }
}

} // namespace tavro
