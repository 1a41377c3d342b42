#pragma once
// Large memory pages for big lists that fill once from start to end: a
// million-point list then costs a handful of page faults instead of thousands.
#include <cstddef>

namespace kerfmax {

// Asks that the whole large pages within [data, data + bytes) be backed by
// large pages when first touched. Only a request: nothing where the system
// has none or refuses.
void PreferLargePages(void* data, std::size_t bytes);

}  // namespace kerfmax
