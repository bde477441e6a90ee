#include "onboarding/OnboardingProgress.h"

#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace tavro {

namespace {

class StepCircle final : public QWidget {
public:
    StepCircle(int number, QWidget* parent)
        : QWidget(parent)
        , number_(number) {
        setFixedSize(18, 18);
    }
    void setMark(const OnboardingFlow::Mark& mark) {
        mark_ = mark;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush((mark_.filled ? Theme::accent : Theme::surfaceSunken).resolved(palette()));
        painter.drawEllipse(QRectF(0, 0, 18, 18));
        if (mark_.checkmark) {
            paintIcon(painter, Icon::checkmark, QRectF(5, 5, 8, 8), Qt::white, 1.4);
            return;
        }
        QFont font = Theme::Font::body();
        font.setPixelSize(9);
        font.setWeight(QFont::Bold);
        painter.setFont(font);
        painter.setPen(mark_.current ? QColor(Qt::white) : Theme::textTertiary.resolved(palette()));
        painter.drawText(QRectF(0, 0, 18, 18), Qt::AlignCenter, QString::number(number_));
    }

private:
    int number_;
    OnboardingFlow::Mark mark_;
};

class Connector final : public QWidget {
public:
    explicit Connector(QWidget* parent)
        : QWidget(parent) {
        setMinimumWidth(8 + 12);
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    void setFilled(bool filled) {
        filled_ = filled;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect().adjusted(6, 0, -6, 0),
                                (filled_ ? Theme::accent : Theme::border).resolved(palette()));
    }

private:
    bool filled_ = false;
};

} // namespace

OnboardingProgress::OnboardingProgress(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 12, 24, 12);
    layout->setSpacing(0);
    const auto& titles = OnboardingFlow::stepTitles();
    for (size_t i = 0; i < titles.size(); ++i) {
        auto* item = new QHBoxLayout;
        item->setSpacing(6);
        auto* circle = new StepCircle(int(i) + 1, this);
        circles_.push_back(circle);
        item->addWidget(circle, 0, Qt::AlignVCenter);
        auto* title = plainLabel(toQString(titles[i]), this);
        title->setFont(Theme::Font::caption());
        title->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        titles_.push_back(title);
        item->addWidget(title, 0, Qt::AlignVCenter);
        layout->addLayout(item);
        if (i + 1 < titles.size()) {
            auto* connector = new Connector(this);
            connectors_.push_back(connector);
            layout->addWidget(connector, 1, Qt::AlignVCenter);
        }
    }
    setFlow(OnboardingFlow());
}

void OnboardingProgress::setFlow(const OnboardingFlow& flow) {
    const auto marks = flow.progress();
    const auto& titles = OnboardingFlow::stepTitles();
    for (size_t i = 0; i < marks.size(); ++i) {
        static_cast<StepCircle*>(circles_[i])->setMark(marks[i]);
        QPalette palette = titles_[i]->palette();
        palette.setColor(
            QPalette::WindowText,
            (marks[i].current ? Theme::textPrimary : Theme::textTertiary).resolved(palette));
        titles_[i]->setPalette(palette);
        // A screen reader hears where the user is.
        titles_[i]->setAccessibleName(toQString(titles[i]) +
                                      (marks[i].current     ? QStringLiteral(", current step")
                                       : marks[i].checkmark ? QStringLiteral(", done")
                                                            : QString()));
        if (i < connectors_.size())
            static_cast<Connector*>(connectors_[i])->setFilled(marks[i].connectorFilled);
    }
}

} // namespace tavro
