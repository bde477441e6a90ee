#include "desktop/FreeMemory.h"

#include <malloc.h>

namespace tavro {

void returnFreeMemory() {
    malloc_trim(0);
}

} // namespace tavro
