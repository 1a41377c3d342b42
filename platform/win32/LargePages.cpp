#include "platform/LargePages.h"

namespace kerfmax {

void PreferLargePages(void*, std::size_t)
{
    // Windows gives large pages only to accounts holding the "lock pages in
    // memory" right, and only for memory allocated as such: nothing to ask here.
}

}  // namespace kerfmax
