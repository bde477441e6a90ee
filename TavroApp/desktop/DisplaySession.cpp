#include "desktop/DisplaySession.h"

namespace tavro {

DisplaySessionChoice
chooseDisplaySession(const std::function<std::optional<std::string>(const char*)>& environment) {
    auto set = [&](const char* name) {
        auto value = environment(name);
        return value && !value->empty();
    };
    if (set("QT_QPA_PLATFORM"))
        return {};
    if (set("DISPLAY"))
        return {"xcb", std::nullopt};
    if (set("WAYLAND_DISPLAY"))
        return {std::nullopt, "Tavro needs X11: start it in an X11 session, or under Wayland "
                              "with XWayland running (DISPLAY is not set)."};
    return {};
}

} // namespace tavro
