#include "settings/LibrarySettings.h"

#include "desktop/FileReveal.h"
#include "files/LibraryFiles.h"
#include "library/Library.h"
#include "model/Paths.h"
#include "settings/LibraryFigures.h"
#include "settings/SettingsTexts.h"
#include "ui/Buttons.h"
#include "ui/PlatformTexts.h"
#include "ui/SettingsForm.h"
#include "ui/Theme.h"
#include "values/AppActions.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>
#include <QVBoxLayout>

#include <cmath>

namespace tavro {

namespace {

// The library's path as a link: one line, cut in the middle when it does not fit, so that both
// where it starts and the library folder's own name stay readable; the tool-tip has it whole.
class PathLink final : public QAbstractButton {
public:
    explicit PathLink(const QString& path, QWidget* parent = nullptr)
        : QAbstractButton(parent) {
        setText(path);
        setAccessibleName(path);
        setToolTip(path);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        // Rounded up: a width a fraction of a pixel short of the text's cuts it.
        const QFontMetricsF metrics(Theme::Font::body());
        return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()))),
                     QFontMetrics(Theme::Font::body()).height());
    }
    QSize minimumSizeHint() const override { return QSize(40, sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(Theme::Font::body());
        painter.setPen(Theme::accent.resolved(palette()));
        const QString shown =
            QFontMetrics(Theme::Font::body()).elidedText(text(), Qt::ElideMiddle, width());
        painter.drawText(rect(), Qt::AlignVCenter | Qt::AlignRight, shown);
    }
};

QLabel* value(const QString& text) {
    auto* label = SettingsRows::text(text, Theme::Font::body());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::textSecondary.resolved(palette));
    label->setPalette(palette);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

LibrarySettings::LibrarySettings(Library& library, AppActions& actions, QWidget* parent)
    : QWidget(parent)
    , library_(library) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    FormSection* here = form->addSection(toQString(PlatformTexts::onThisComputer));
    captures_ = value({});
    here->addRow(SettingsRows::labelled(toQString(SettingsTexts::captures), captures_));
    open_ = value({});
    here->addRow(SettingsRows::labelled(toQString(SettingsTexts::open), open_));
    size_ = value(toQString(SettingsTexts::calculating));
    here->addRow(SettingsRows::labelled(toQString(SettingsTexts::screenshotsOnDisk), size_));
    const std::filesystem::path folder = TavroPaths::libraryRoot();
    location_ = new PathLink(toQString(folder.string()));
    location_->setAccessibleDescription(toQString(PlatformTexts::showInFolder));
    location_->setToolTip(toQString(PlatformTexts::showInFolder));
    connect(location_, &QAbstractButton::clicked, this, [folder] { revealInFileManager(folder); });
    auto* locationRow = SettingsRows::labelled(toQString(SettingsTexts::location), location_);
    here->addRow(locationRow);

    FormSection* about = form->addSection();
    about->addRow(SettingsRows::caption(toQString(PlatformTexts::libraryCaption)));

    FormSection* version = form->addSection(toQString(SettingsTexts::aboutSection));
    version->addRow(SettingsRows::labelled(toQString(SettingsTexts::version),
                                           value(toQString(AppInfo::versionString()))));
    auto* again = new SecondaryButton(toQString(SettingsTexts::showOnboardingAgain));
    // Queued: the click is over before onboarding comes up.
    connect(
        again, &QAbstractButton::clicked, this, [&actions] { actions.showOnboarding(); },
        Qt::QueuedConnection);
    auto* againRow = new QWidget;
    auto* againLayout = new QHBoxLayout(againRow);
    againLayout->setContentsMargins(0, 0, 0, 0);
    againLayout->addWidget(again);
    againLayout->addStretch(1);
    version->addRow(againRow);

    showCounts();
    connect(&library_, &Library::changed, this, [this](LibraryProperty property) {
        if (property == LibraryProperty::captures || property == LibraryProperty::counts)
            showCounts();
    });
}

QString LibrarySettings::sizeOnDisk() const {
    return size_->text();
}

QString LibrarySettings::capturesText() const {
    return captures_->text();
}

QString LibrarySettings::openText() const {
    return open_->text();
}

void LibrarySettings::showCounts() {
    captures_->setText(toQString(LibraryFigures::countText(library_.captureCount())));
    open_->setText(toQString(LibraryFigures::countText(library_.openCount())));
}

void LibrarySettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    measure();
}

void LibrarySettings::measure() {
    // Thousands of files may take a while; the walk touches nothing but the file system, and the
    // last one to finish is what shows.
    QPointer<LibrarySettings> self(this);
    QThreadPool::globalInstance()->start([self] {
        const std::string text = LibraryFigures::byteCountText(LibraryFiles::imageFolderBytes());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, text] {
                if (!self)
                    return;
                self->size_->setText(toQString(text));
                emit self->measured();
            },
            Qt::QueuedConnection);
    });
}

} // namespace tavro
