#include "runtime/Memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarsel {

void releaseFreeMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);  // every arena, and free pages inside them too
#endif
}

}  // namespace tarsel
