#pragma once

#include "model/Time.h"

#include <QString>

namespace tavro::RelativeTime {

// The age of `date` at `now` as short text: "just now", "42s ago", "5m ago", "3h ago", "6d ago",
// and from seven days on the month and day in the user's locale and time zone.
QString string(Seconds date, Seconds now);
inline QString string(Seconds date) {
    return string(date, tavro::now());
}
// Whether the text for `date` no longer changes as time goes on (the month and day).
bool settled(Seconds date, Seconds now);

} // namespace tavro::RelativeTime
