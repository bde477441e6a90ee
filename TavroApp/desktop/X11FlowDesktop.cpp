#include "desktop/X11FlowDesktop.h"

#include "desktop/X11Desktop.h"
#include "desktop/X11RepaintWatch.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <canberra.h>

#include <memory>
#include <optional>
#include <utility>

namespace tavro {

namespace {

bool soundServerRunning() {
    // PulseAudio, and PipeWire standing in for it, listen on pulse/native.
    if (!qEnvironmentVariable("PULSE_SERVER").isEmpty())
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"));
}

// How often the frames of hidden windows are looked at. Once they are gone and every window they
// uncovered has drawn again, how long nothing more may be drawn where they were: a program
// answers its expose in bursts shorter than that. Without DAMAGE to tell, what lay under them
// is given a fixed time to paint itself.
constexpr int departurePollMs = 4;
constexpr int settledMs = 20;
constexpr int repaintMs = 12;

struct Departure {
    std::vector<std::uint32_t> frames;
    std::unique_ptr<X11RepaintWatch> watch;
    QDeadlineTimer deadline;
    QPointer<QObject> context;
    std::function<void()> action;
    // Since the frames left, or since the last drawing where they were.
    std::optional<QElapsedTimer> quiet;
};

void awaitDeparture(const std::shared_ptr<Departure>& departure) {
    Departure& d = *departure;
    if (!d.context)
        return;
    const bool drawn = d.watch && d.watch->takeDrawn();
    if (!d.quiet && !X11Desktop::anyViewable(d.frames))
        d.quiet.emplace().start();
    else if (d.quiet && drawn)
        d.quiet->restart();
    const bool settled =
        d.quiet && (d.watch ? d.watch->uncoveredDrawn() && d.quiet->elapsed() >= settledMs
                            : d.quiet->elapsed() >= repaintMs);
    if (d.deadline.hasExpired() || settled) {
        d.watch.reset();
        std::exchange(d.action, {})();
        return;
    }
    QTimer::singleShot(departurePollMs, d.context.data(),
                       [departure] { awaitDeparture(departure); });
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

void X11FlowDesktop::hideOtherApplications() {
    X11Desktop::hideOtherApplications();
}

bool X11FlowDesktop::compositorRunning() {
    return X11Desktop::compositorRunning();
}

void X11FlowDesktop::stickOnEveryDesktop(std::uint32_t window) {
    X11Desktop::stickOnEveryDesktop(window);
}

void X11FlowDesktop::returnFocus(const ForegroundWindow& window) {
    X11Desktop::focus(window.window);
}

void X11FlowDesktop::afterWindowsLeave(const std::vector<std::uint32_t>& windows, int timeoutMs,
                                       QObject* context, std::function<void()> action) {
    auto departure = std::make_shared<Departure>();
    departure->frames = X11Desktop::topLevelFrames(windows);
    const QRect area = X11RepaintWatch::areaOf(departure->frames);
    if (area.isEmpty()) {
        QTimer::singleShot(0, context, std::move(action));
        return;
    }
    // Watched from before the window manager takes the frames away, so no drawing is missed.
    departure->watch = X11RepaintWatch::start(departure->frames, area);
    departure->deadline = QDeadlineTimer(timeoutMs);
    departure->context = context;
    departure->action = std::move(action);
    awaitDeparture(departure);
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
    bringForward(alert);
    alert.setInformativeText(toQString(message) +
                             QStringLiteral("\n\nYour note and screenshots are kept."));
    alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    alert.exec();
}

} // namespace tavro
