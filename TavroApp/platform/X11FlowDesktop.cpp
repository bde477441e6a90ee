#include "platform/X11FlowDesktop.h"

#include "platform/X11Desktop.h"
#include "values/FailureText.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <canberra.h>

namespace tavro {

namespace {

bool soundServerRunning() {
    // PulseAudio, and PipeWire standing in for it, listen on pulse/native.
    if (!qEnvironmentVariable("PULSE_SERVER").isEmpty())
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"));
}

// How often the frames of hidden windows are looked at, and how long what lay under them is
// given to paint itself once they are gone.
constexpr int departurePollMs = 4;
constexpr int repaintMs = 12;

void awaitDeparture(std::vector<std::uint32_t> frames, QDeadlineTimer deadline,
                    QPointer<QObject> context, std::function<void()> action) {
    if (!context)
        return;
    if (deadline.hasExpired() || !X11Desktop::anyViewable(frames)) {
        QTimer::singleShot(deadline.hasExpired() ? 0 : repaintMs, context.data(),
                           std::move(action));
        return;
    }
    QTimer::singleShot(departurePollMs, context.data(),
                       [frames = std::move(frames), deadline, context, action]() mutable {
                           awaitDeparture(std::move(frames), deadline, context, std::move(action));
                       });
}

} // namespace

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

void X11FlowDesktop::returnFocus(const ForegroundWindow& window) {
    X11Desktop::focus(window.window);
}

void X11FlowDesktop::afterWindowsLeave(const std::vector<std::uint32_t>& windows, int timeoutMs,
                                       QObject* context, std::function<void()> action) {
    awaitDeparture(X11Desktop::topLevelFrames(windows), QDeadlineTimer(timeoutMs), context,
                   std::move(action));
}

QPointF X11FlowDesktop::pointerPosition() {
    return QCursor::pos();
}

void X11FlowDesktop::playCaptureSound() {
    // Without a sound server the library falls back to opening the sound card itself, and the
    // card's library writes its errors to standard error: stay silent there instead.
    if (!sound_->context) {
        if (!soundServerRunning())
            return;
        if (ca_context_create(&sound_->context) != CA_SUCCESS) {
            sound_->context = nullptr;
            return;
        }
        ca_context_set_driver(sound_->context, "pulse");
    }
    // Asynchronous.
    ca_context_play(sound_->context, 0, CA_PROP_EVENT_ID, "screen-capture",
                    CA_PROP_EVENT_DESCRIPTION, "Screenshot taken", nullptr);
}

void X11FlowDesktop::copyPNGToClipboard(const QByteArray& png) {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(data);
}

namespace {

// Over whatever window is in front of the app's own, never behind it.
void bringForward(QMessageBox& alert) {
    alert.setTextFormat(Qt::PlainText);
    alert.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (QWidget* window = QApplication::activeWindow())
        alert.setParent(window, alert.windowFlags() | Qt::Dialog);
}

} // namespace

bool X11FlowDesktop::showCaptureFailure(const std::string& message, bool offerSettings) {
    QMessageBox alert(QMessageBox::Warning, QStringLiteral("Tavro"),
                      QStringLiteral("Tavro couldn't take that screenshot"));
    bringForward(alert);
    alert.setInformativeText(toQString(userFacingFailure(message)));
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
    bringForward(alert);
    alert.setInformativeText(toQString(userFacingFailure(message)) +
                             QStringLiteral("\n\nYour note and screenshots are kept."));
    alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    alert.exec();
}

} // namespace tavro
