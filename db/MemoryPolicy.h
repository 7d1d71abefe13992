#pragma once

namespace db {

// Makes every large allocation (a row buffer of the MySQL client holding a large object, a bind
// buffer) a mapping of its own that goes back to the system when freed. Left to itself, the C
// library raises that threshold after the first large block is freed, so that later large buffers
// land in the heap, where their pages stay resident after use: copying a 100 MB object then costs
// twice its size. Called once at program start; does nothing where the C library has no such setting.
// Threads: the program's first, before it starts any other.
void keepLargeBuffersOutOfTheHeap() noexcept;

} // namespace db
