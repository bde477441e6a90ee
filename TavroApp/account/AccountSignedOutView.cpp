#include "account/AccountSignedOutView.h"

#include "account/AccountTexts.h"
#include "account/ActivityIndicator.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/PlatformTexts.h"
#include "ui/RoundedPanel.h"
#include "ui/SettingsForm.h"
#include "values/Utf8.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tavro {

namespace {

QLabel* wrapping(const QString& text, const QFont& font, DynamicColor color) {
    QLabel* label = themedLabel(text, font, color, nullptr);
    label->setWordWrap(true);
    return label;
}

QFont codeFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(28);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    return font;
}

template <typename Button> Button* named(Button* button) {
    button->setAccessibleName(button->text());
    return button;
}

} // namespace

AccountSignedOutView::AccountSignedOutView(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(10);
    column->addWidget(
        themedLabel(toQString(AccountTexts::syncWith) + toQString(AccountTexts::webDomain),
                    Theme::Font::title(), Theme::textPrimary, nullptr));
    column->addWidget(
        wrapping(toQString(AccountTexts::pitch), Theme::Font::callout(), Theme::textSecondary));
    expired_ = wrapping(toQString(AccountTexts::sessionExpired), Theme::Font::caption(),
                        Theme::statusOpen);
    column->addWidget(expired_);

    buttons_ = new QWidget;
    auto* row = new QHBoxLayout(buttons_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    signIn_ = named(new PrimaryButton(toQString(AccountTexts::signIn), Theme::accent));
    auto* create = named(new SecondaryButton(toQString(AccountTexts::createAccount)));
    row->addWidget(signIn_, 0, Qt::AlignVCenter);
    row->addWidget(create, 0, Qt::AlignVCenter);
    row->addStretch(1);
    column->addWidget(buttons_);
    codeView_ = codeView();
    column->addWidget(codeView_);
    error_ = wrapping(QString(), Theme::Font::caption(), Theme::priorityHigh);
    column->addWidget(error_);
    form->addSection()->addRow(block);
    form->addSection()->addRow(
        SettingsRows::caption(toQString(PlatformTexts::nothingLeavesUntilSignIn)));

    connect(signIn_, &QAbstractButton::clicked, this, &AccountSignedOutView::signInRequested);
    connect(create, &QAbstractButton::clicked, this, &AccountSignedOutView::createAccountRequested);
    render({});
}

QWidget* AccountSignedOutView::codeView() {
    auto* view = new QWidget;
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(wrapping(toQString(PlatformTexts::approveInBrowser), Theme::Font::callout(),
                               Theme::textSecondary));

    auto* panel = new RoundedPanel(Theme::surfaceSunken, 10);
    auto* inside = new QHBoxLayout(panel);
    inside->setContentsMargins(14, 8, 14, 8);
    code_ = themedLabel(QString(), codeFont(), Theme::textPrimary, nullptr);
    code_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    code_->setAccessibleDescription(toQString(PlatformTexts::approveInBrowser));
    inside->addWidget(code_);
    column->addWidget(panel, 0, Qt::AlignLeft);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(new ActivityIndicator(14), 0, Qt::AlignVCenter);
    row->addWidget(themedLabel(toQString(AccountTexts::waitingForApproval), Theme::Font::caption(),
                               Theme::textTertiary, nullptr),
                   0, Qt::AlignVCenter);
    row->addStretch(1);
    auto* again = named(new SecondaryButton(toQString(AccountTexts::openBrowserAgain)));
    auto* cancel = named(new SecondaryButton(toQString(AccountTexts::cancel)));
    row->addWidget(again, 0, Qt::AlignVCenter);
    row->addWidget(cancel, 0, Qt::AlignVCenter);
    column->addLayout(row);

    connect(again, &QAbstractButton::clicked, this, &AccountSignedOutView::openApprovalRequested);
    connect(cancel, &QAbstractButton::clicked, this, &AccountSignedOutView::cancelSignInRequested);
    return view;
}

void AccountSignedOutView::render(const AccountPaneModel::SignedOut& content) {
    expired_->setVisible(content.expiredNote);
    buttons_->setVisible(!content.userCode);
    codeView_->setVisible(content.userCode.has_value());
    code_->setText(content.userCode ? toQString(*content.userCode) : QString());
    code_->setAccessibleName(code_->text());
    error_->setText(content.error ? toQString(*content.error) : QString());
    error_->setVisible(content.error.has_value());
}

} // namespace tavro
