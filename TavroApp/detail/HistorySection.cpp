#include "detail/HistorySection.h"

#include "detail/ActivityText.h"
#include "detail/DetailFeed.h"
#include "detail/PaneTexts.h"
#include "detail/RowBatch.h"
#include "detail/SectionParts.h"
#include "detail/WrappingLabel.h"
#include "library/Library.h"
#include "library/LibraryWatch.h"
#include "ui/Labels.h"
#include "ui/RelativeTime.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <unordered_map>
#include <unordered_set>

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

} // namespace

// One event: its line over its age.
class EventRow final : public QWidget {
public:
    EventRow(const ActivityEvent& event, const QString& text, QWidget* parent)
        : QWidget(parent)
        , event_(event) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(7);
        layout->addWidget(new EventDot(this), 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        line_ = new WrappingLabel(text, Theme::Font::caption(), Theme::textSecondary, this);
        line_->setObjectName(QStringLiteral("eventText"));
        texts->addWidget(line_);
        age_ = themedLabel(RelativeTime::string(event.createdAt), Theme::Font::caption(),
                           Theme::textTertiary, this);
        texts->addWidget(age_);
        layout->addLayout(texts, 1);
        setAccessibleName(text);
    }

    const ActivityEvent& event() const { return event_; }
    QString text() const { return line_->text(); }

    void present(const ActivityEvent& event, const QString& text) {
        if (event.createdAt != event_.createdAt)
            ageSettled_ = false;
        event_ = event;
        if (line_->text() != text) {
            line_->setText(text);
            setAccessibleName(text);
        }
        refreshAge();
    }
    void refreshAge() {
        if (ageSettled_)
            return;
        const Seconds at = now();
        ageSettled_ = RelativeTime::settled(event_.createdAt, at);
        const QString age = RelativeTime::string(event_.createdAt, at);
        if (age_->text() != age)
            age_->setText(age);
    }

private:
    ActivityEvent event_;
    WrappingLabel* line_ = nullptr;
    QLabel* age_ = nullptr;
    // Once the age reads as a date it stays.
    bool ageSettled_ = false;
};

HistorySection::HistorySection(Library& library, const std::string& captureID, QWidget* parent)
    : QWidget(parent)
    , library_(library) {
    auto* layout = sectionStack(this);
    layout->addWidget(new SectionLabel(toQString(PaneTexts::history), this));
    rowsHolder_ = new QWidget(this);
    rowsLayout_ = new QVBoxLayout(rowsHolder_);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(6);
    layout->addWidget(rowsHolder_);
    // Absent until the first read says there is something to show.
    hiddenForNoEvents_ = true;
    hide();
    connect(&library, &Library::reloaded, this, &HistorySection::refreshAges);
    onReloadChanging(library, this, {LibraryProperty::people}, [this] { renameAll(); });
    feed_ = new DetailFeed(
        library, captureID, DetailPart::activity,
        [this](const CaptureDetail& detail) { present(detail.activity); }, this);
}

std::vector<EventRow*> HistorySection::eventRows() const {
    std::vector<EventRow*> rows;
    for (int i = 0; i < rowsLayout_->count(); ++i)
        if (auto* row = dynamic_cast<EventRow*>(rowsLayout_->itemAt(i)->widget()))
            rows.push_back(row);
    return rows;
}

std::vector<QWidget*> HistorySection::rows() const {
    const std::vector<EventRow*> rows = eventRows();
    return {rows.begin(), rows.end()};
}

QStringList HistorySection::lines() const {
    QStringList lines;
    for (const EventRow* row : eventRows())
        lines << row->text();
    return lines;
}

void HistorySection::present(const std::vector<ActivityEvent>& events) {
    const std::vector<Person>& people = library_.people();
    std::unordered_set<std::string> ids;
    for (const ActivityEvent& event : events)
        ids.insert(event.id);
    std::unordered_map<std::string, EventRow*> kept;
    for (EventRow* row : eventRows()) {
        if (ids.contains(row->event().id))
            kept.emplace(row->event().id, row);
        else
            delete row;
    }
    // Newest first; rows of events already shown stay and only move down.
    {
        const RowBatch batch(rowsHolder_, static_cast<int>(events.size() - kept.size()));
        int index = 0;
        for (auto event = events.rbegin(); event != events.rend(); ++event, ++index) {
            const QString text = toQString(eventDescription(*event, people));
            EventRow* row = nullptr;
            if (const auto found = kept.find(event->id); found != kept.end()) {
                row = found->second;
                row->present(*event, text);
            }
            if (!row) {
                rowsLayout_->insertWidget(index, new EventRow(*event, text, rowsHolder_));
            } else if (QLayoutItem* at = rowsLayout_->itemAt(index); !at || at->widget() != row) {
                rowsLayout_->removeWidget(row);
                rowsLayout_->insertWidget(index, row);
            }
        }
    }
    // Shown again only when it was hidden here: a section never shows itself as a window.
    if (events.empty()) {
        hiddenForNoEvents_ = true;
        hide();
    } else if (hiddenForNoEvents_) {
        hiddenForNoEvents_ = false;
        show();
    }
}

void HistorySection::renameAll() {
    const std::vector<Person>& people = library_.people();
    for (EventRow* row : eventRows())
        row->present(row->event(), toQString(eventDescription(row->event(), people)));
}

void HistorySection::refreshAges() {
    for (EventRow* row : eventRows())
        row->refreshAge();
}

} // namespace tavro
