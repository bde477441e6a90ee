#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <string_view>

namespace tavro {

// The app's own notifications, by name.
namespace AppNotification {
inline constexpr std::string_view showDashboard = "dev.tavro.showDashboard";
inline constexpr std::string_view showOnboarding = "dev.tavro.showOnboarding";
inline constexpr std::string_view showAccountTab = "dev.tavro.showAccountTab";
// Object: the capture id as text.
inline constexpr std::string_view addScreenshot = "dev.tavro.addScreenshot";
// Object: the screenshot id as text.
inline constexpr std::string_view annotateImage = "dev.tavro.annotateImage";
} // namespace AppNotification

// Delivers a named notification with an optional object to its observers, always on the main
// thread and always in a later turn of the event loop, so a poster never runs an observer
// inside its own call. One per process, owned by the composition root.
class NotificationCenter final : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const QVariant& object)>;

    using QObject::QObject;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    void post(std::string_view name, const QVariant& object = {});
    // The observation ends when `receiver` goes.
    void observe(std::string_view name, const QObject* receiver, Handler handler);

signals:
    void posted(const QString& name, const QVariant& object);
};

} // namespace tavro
