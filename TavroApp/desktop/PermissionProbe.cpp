#include "desktop/PermissionProbe.h"

namespace tavro {

std::unique_ptr<PermissionProbe> makePlatformPermissionProbe() {
    return std::make_unique<X11PermissionProbe>();
}

} // namespace tavro
