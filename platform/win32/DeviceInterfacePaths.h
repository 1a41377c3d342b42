#pragma once
// The text rules of the device-setup walk, apart from the calls, so that
// they can be tested without the devices.
#include <string>
#include <string_view>

namespace kerfmax::win32 {

// A USB printing-class interface of the cutter: the path starts with
// "\\?\usb#vid_0483&pid_5448", compared with exact case as the system spells it.
bool IsCutterInterfacePath(std::string_view devicePath);

// A property text fit for a Port entry "name<description>": control
// characters and angle brackets become blanks, at most 255 bytes (whole
// characters), no blanks at either end.
std::string CleanPropertyText(std::string text);

}  // namespace kerfmax::win32
