#include "runtime/Memory.h"

#include <cstdlib>  // defines __GLIBC__ on glibc systems

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
