#include "account/AccountSignedInView.h"

#include "account/AccountTexts.h"
#include "account/SyncLogGroup.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/PersonAvatar.h"
#include "ui/PlatformTexts.h"
#include "ui/SettingsForm.h"
#include "values/Utf8.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

// The coloured dot before the status line.
class StatusDot final : public QWidget {
public:
    StatusDot() { setFixedSize(7, 7); }
    void setColor(DynamicColor color) {
        color_ = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_.resolved(palette()));
        painter.drawEllipse(QRectF(rect()));
    }

private:
    DynamicColor color_ = Theme::textTertiary;
};

namespace {

// Red text, as a button that ends something.
class DestructiveButton final : public QAbstractButton {
public:
    explicit DestructiveButton(const QString& text) {
        setText(text);
        setAccessibleName(text);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics metrics(Theme::Font::body());
        return QSize(metrics.horizontalAdvance(text()) + 2, metrics.height() + 6);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor color = Theme::priorityHigh.resolved(palette());
        if (isDown())
            color.setAlphaF(0.6f);
        painter.setPen(color);
        painter.setFont(Theme::Font::body());
        painter.drawText(QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

SecondaryButton* secondary(std::string_view text) {
    auto* button = new SecondaryButton(toQString(text));
    button->setAccessibleName(button->text());
    return button;
}

QLabel* wrapping(const QFont& font, DynamicColor color) {
    QLabel* label = themedLabel(QString(), font, color, nullptr);
    label->setWordWrap(true);
    return label;
}

} // namespace

AccountSignedInView::AccountSignedInView(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    FormSection* account = form->addSection();
    account->addRow(accountRow());
    account->addRow(statusRow());

    FormSection* workspace = form->addSection(toQString(AccountTexts::workspaceSection));
    picker_ = new QComboBox;
    picker_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    workspace->addRow(SettingsRows::labelled(toQString(AccountTexts::fileNewCapturesIn), picker_));
    hint_ = SettingsRows::caption(toQString(PlatformTexts::everyWorkspaceSyncs));
    workspace->addRow(hint_);
    workspace->addRow(localRow());
    connect(picker_, &QComboBox::activated, this, [this](int index) {
        emit workspaceChosen(toStdString(picker_->itemData(index).toString()));
    });

    FormSection* last = form->addSection();
    log_ = new SyncLogGroup;
    last->addRow(log_);
    auto* signOut = new DestructiveButton(toQString(AccountTexts::signOut));
    last->addRow(signOut);
    connect(signOut, &QAbstractButton::clicked, this, &AccountSignedInView::signOutRequested);
}

QWidget* AccountSignedInView::accountRow() {
    auto* row = new QWidget;
    accountLayout_ = new QHBoxLayout(row);
    accountLayout_->setContentsMargins(0, 0, 0, 0);
    accountLayout_->setSpacing(12);
    avatar_ = new PersonAvatar(std::nullopt, 36);
    accountLayout_->addWidget(avatar_, 0, Qt::AlignVCenter);
    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    name_ = themedLabel(QString(), Theme::Font::headline(), Theme::textPrimary, nullptr);
    email_ = themedLabel(QString(), Theme::Font::caption(), Theme::textTertiary, nullptr);
    names->addWidget(name_);
    names->addWidget(email_);
    accountLayout_->addLayout(names, 0);
    accountLayout_->addStretch(1);
    auto* open =
        new SecondaryButton(toQString(AccountTexts::openWeb) + toQString(AccountTexts::webDomain));
    open->setAccessibleName(open->text());
    accountLayout_->addWidget(open, 0, Qt::AlignVCenter);
    connect(open, &QAbstractButton::clicked, this, &AccountSignedInView::openWebAppRequested);
    return row;
}

QWidget* AccountSignedInView::statusRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    dot_ = new StatusDot;
    layout->addWidget(dot_, 0, Qt::AlignVCenter);
    statusLine_ = wrapping(Theme::Font::callout(), Theme::textSecondary);
    statusLine_->setMaximumHeight(2 * QFontMetrics(statusLine_->font()).lineSpacing());
    layout->addWidget(statusLine_, 1, Qt::AlignVCenter);
    syncNow_ = secondary(AccountTexts::syncNow);
    layout->addWidget(syncNow_, 0, Qt::AlignVCenter);
    connect(syncNow_, &QAbstractButton::clicked, this, &AccountSignedInView::syncNowRequested);
    return row;
}

QWidget* AccountSignedInView::localRow() {
    local_ = new QWidget;
    auto* layout = new QHBoxLayout(local_);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    localTitle_ = themedLabel(QString(), Theme::Font::callout(), Theme::textPrimary, nullptr);
    localDetail_ = wrapping(Theme::Font::caption(), Theme::textTertiary);
    texts->addWidget(localTitle_);
    texts->addWidget(localDetail_);
    layout->addLayout(texts, 1);
    move_ = secondary(AccountTexts::moveToWorkspace);
    layout->addWidget(move_, 0, Qt::AlignTop);
    connect(move_, &QAbstractButton::clicked, this, &AccountSignedInView::moveRequested);
    return local_;
}

void AccountSignedInView::render(const AccountPaneModel::SignedIn& content) {
    if (content.person != shownPerson_) {
        auto* avatar = new PersonAvatar(content.person, 36);
        // The layout hands back the old avatar's item: ours to delete.
        delete accountLayout_->replaceWidget(avatar_, avatar);
        delete avatar_;
        avatar_ = avatar;
        shownPerson_ = content.person;
    }
    name_->setText(toQString(content.person.name));
    email_->setText(content.person.email ? toQString(*content.person.email) : QString());
    email_->setVisible(content.person.email.has_value());

    dot_->setColor(content.dot);
    statusLine_->setText(toQString(content.statusLine));
    syncNow_->setEnabled(content.canSyncNow);

    if (content.workspaces != shownOptions_) {
        picker_->clear();
        for (const auto& option : content.workspaces)
            picker_->addItem(toQString(option.label), toQString(option.id));
        shownOptions_ = content.workspaces;
    }
    picker_->setCurrentIndex(content.selectedWorkspace ? int(*content.selectedWorkspace) : -1);
    hint_->setVisible(content.workspaceHint);

    local_->setVisible(content.local.has_value());
    if (content.local) {
        localTitle_->setText(toQString(content.local->title));
        localDetail_->setText(toQString(content.local->detail));
        move_->setEnabled(content.local->canMove);
    }
    log_->render(content.log);
}

} // namespace tavro
