#include "detail/DetailHeaderBar.h"

#include "detail/PaneTexts.h"
#include "ui/AppIconView.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/PlatformTexts.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace tavro {

namespace {

IconButton* headerButton(Icon icon, std::string_view help, QWidget* parent) {
    auto* button = new IconButton(icon, 26, parent);
    button->setToolTip(toQString(help));
    button->setAccessibleName(toQString(help));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

DetailHeaderBar::DetailHeaderBar(QWidget* parent)
    : QWidget(parent) {
    setAccessibleName(QStringLiteral("Capture header"));
    auto* row = new QHBoxLayout(this);
    // One more pixel below for the divider.
    row->setContentsMargins(16, 12, 16, 13);
    row->setSpacing(12);

    back_ = headerButton(Icon::chevronLeft, PaneTexts::backToBoard, this);
    back_->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(back_, &QAbstractButton::clicked, this, &DetailHeaderBar::backRequested);
    row->addWidget(back_);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    title_ = new ElidedLabel(QString(), Theme::textPrimary, this, Qt::ElideRight);
    title_->setFont(Theme::Font::title());
    texts->addWidget(title_);
    contextLine_ = new QHBoxLayout;
    contextLine_->setSpacing(5);
    texts->addLayout(contextLine_);
    row->addLayout(texts, 1);
    row->addSpacing(8);

    zoom_ = headerButton(Icon::arrowsOutward, PaneTexts::actualSize, this);
    reveal_ = headerButton(Icon::folder, PlatformTexts::showInFolder, this);
    copy_ = headerButton(Icon::docOnDoc, PaneTexts::copyImage, this);
    delete_ = headerButton(Icon::trash, PaneTexts::deleteCapture, this);
    connect(zoom_, &QAbstractButton::clicked, this, &DetailHeaderBar::zoomToggled);
    connect(reveal_, &QAbstractButton::clicked, this, &DetailHeaderBar::revealRequested);
    connect(copy_, &QAbstractButton::clicked, this, &DetailHeaderBar::copyRequested);
    connect(delete_, &QAbstractButton::clicked, this, &DetailHeaderBar::deleteRequested);
    for (IconButton* button : {zoom_, reveal_, copy_, delete_})
        row->addWidget(button);
}

void DetailHeaderBar::present(const DetailHeaderContent& content,
                              const std::optional<std::string>& bundleID) {
    if (presented_ && content == content_ && bundleID == bundleID_)
        return;
    const bool contextChanged =
        !presented_ || bundleID != bundleID_ || content.appName != content_.appName ||
        content.windowTitle != content_.windowTitle || content.createdAt != content_.createdAt;
    content_ = content;
    bundleID_ = bundleID;
    presented_ = true;

    title_->setText(toQString(content.title));
    zoom_->setSymbol(content.zoomSymbol);
    zoom_->setToolTip(toQString(content.zoomHelp));
    zoom_->setAccessibleName(toQString(content.zoomHelp));
    for (IconButton* button : {zoom_, reveal_, copy_})
        button->setVisible(content.showsImageActions);
    if (!contextChanged)
        return;

    while (QLayoutItem* item = contextLine_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const auto caption = [this](const QString& text, Qt::TextElideMode mode) {
        return new ElidedLabel(text, Theme::textTertiary, this, mode);
    };
    appIcon_ = new AppIconView(bundleID, 11, this);
    contextLine_->addWidget(appIcon_, 0, Qt::AlignVCenter);
    appName_ = caption(toQString(content.appName), Qt::ElideRight);
    contextLine_->addWidget(appName_);
    windowSeparator_ = nullptr;
    windowTitle_ = nullptr;
    if (content.windowTitle) {
        windowSeparator_ = caption(toQString(PaneTexts::separator), Qt::ElideNone);
        contextLine_->addWidget(windowSeparator_);
        windowTitle_ = caption(toQString(*content.windowTitle), Qt::ElideMiddle);
        contextLine_->addWidget(windowTitle_);
    }
    contextLine_->addWidget(caption(toQString(PaneTexts::separator), Qt::ElideNone));
    createdAt_ = caption(toQString(content.createdAt), Qt::ElideRight);
    contextLine_->addWidget(createdAt_);
    contextLine_->addStretch(1);
    // The window title gives way first; a very long application name only down to a point.
    appName_->setMinimumWidth(std::min(appName_->sizeHint().width(), 160));
    createdAt_->setMinimumWidth(createdAt_->sizeHint().width());
}

QAbstractButton* DetailHeaderBar::backButton() const {
    return back_;
}
QAbstractButton* DetailHeaderBar::zoomButton() const {
    return zoom_;
}
QAbstractButton* DetailHeaderBar::revealButton() const {
    return reveal_;
}
QAbstractButton* DetailHeaderBar::copyButton() const {
    return copy_;
}
QAbstractButton* DetailHeaderBar::deleteButton() const {
    return delete_;
}

void DetailHeaderBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::surface.resolved(palette()));
    painter.fillRect(QRect(0, height() - 1, width(), 1), Theme::border.resolved(palette()));
}

} // namespace tavro
