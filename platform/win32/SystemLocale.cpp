#include "platform/SystemLocale.h"

#include "platform/win32/Win32Text.h"

namespace kerfmax {

bool SystemLocaleIsChinesePrc()
{
    return ::GetSystemDefaultLCID() == 0x0804;
}

}  // namespace kerfmax
