#include "MemoryPolicy.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace db {

void keepLargeBuffersOutOfTheHeap() noexcept
{
#if defined(__GLIBC__)
    // A fixed threshold also turns off the C library's own adjustment of it.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

} // namespace db
