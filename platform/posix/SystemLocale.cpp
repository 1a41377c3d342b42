#include "platform/SystemLocale.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace kerfmax {

bool SystemLocaleIsChinesePrc()
{
    // Same order of precedence as the C library uses for message texts.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::strncmp(value, "zh_CN", 5) == 0;
    }
    return false;
}

}  // namespace kerfmax
