#include "platform/X11FlowDesktop.h"

#include "platform/X11Desktop.h"
#include "shell/Utf8.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

#include <canberra.h>

namespace tavro {

struct X11FlowDesktop::Sound {
    ca_context* context = nullptr;
};

X11FlowDesktop::X11FlowDesktop()
    : sound_(new Sound) {}

X11FlowDesktop::~X11FlowDesktop() {
    if (sound_->context)
        ca_context_destroy(sound_->context);
    delete sound_;
}

std::optional<ForegroundWindow> X11FlowDesktop::frontmostWindow() {
    const auto window = X11Desktop::activeWindow();
    if (!window)
        return std::nullopt;
    return ForegroundWindow{*window, X11Desktop::windowPID(*window).value_or(0)};
}

void X11FlowDesktop::activate(const ForegroundWindow& window) {
    X11Desktop::activate(window.window);
}

QPointF X11FlowDesktop::pointerPosition() {
    return QCursor::pos();
}

void X11FlowDesktop::playCaptureSound() {
    if (!sound_->context && ca_context_create(&sound_->context) != CA_SUCCESS) {
        sound_->context = nullptr;
        return;
    }
    // Asynchronous; fails quietly where no sound server runs.
    ca_context_play(sound_->context, 0, CA_PROP_EVENT_ID, "screen-capture",
                    CA_PROP_EVENT_DESCRIPTION, "Screenshot taken", nullptr);
}

void X11FlowDesktop::copyPNGToClipboard(const QByteArray& png) {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(data);
}

bool X11FlowDesktop::showCaptureFailure(const std::string& message, bool offerSettings) {
    QMessageBox alert(QMessageBox::Warning, QStringLiteral("Tavro"),
                      QStringLiteral("Tavro couldn't take that screenshot"));
    alert.setInformativeText(toQString(message));
    alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* settings =
        offerSettings ? alert.addButton(QStringLiteral("Open Settings"), QMessageBox::ActionRole)
                      : nullptr;
    alert.exec();
    return settings && alert.clickedButton() == settings;
}

void X11FlowDesktop::showSaveFailure(const std::string& message) {
    QMessageBox alert(QMessageBox::Warning, QStringLiteral("Tavro"),
                      QStringLiteral("Tavro couldn't save that capture"));
    alert.setInformativeText(toQString(message) +
                             QStringLiteral("\n\nYour note and screenshots are kept."));
    alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    alert.exec();
}

} // namespace tavro
