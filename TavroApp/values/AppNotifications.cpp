#include "values/AppNotifications.h"

#include "values/Utf8.h"

namespace tavro {

void NotificationCenter::post(std::string_view name, const QVariant& object) {
    emit posted(toQString(name), object);
}

void NotificationCenter::observe(std::string_view name, const QObject* receiver, Handler handler) {
    connect(
        this, &NotificationCenter::posted, receiver,
        [wanted = toQString(name), handler = std::move(handler)](const QString& posted,
                                                                 const QVariant& object) {
            if (posted == wanted)
                handler(object);
        },
        Qt::QueuedConnection);
}

} // namespace tavro
