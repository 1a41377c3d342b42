#pragma once
// Section and key names of the settings file and the value each key has when
// it is missing. "Langage" is spelled so in the file; stored files rely on it.
#include "platform/SystemLocale.h"

namespace kerfmax::settings {

inline constexpr const char* kDeviceSection = "Device";
inline constexpr const char* kOffsetSection = "Offset";

// "Device"
inline constexpr const char* kPortKey = "Port";               // int, index of the Port item
inline constexpr const char* kPortTextKey = "PortS";          // string, text of the Port item
inline constexpr const char* kLanguageKey = "Langage";        // int, 0 English, 1 Chinese
inline constexpr const char* kNetworkAddressKey = "IP";       // string, dotted IPv4
inline constexpr const char* kVirtualComKey = "VCOM";         // int, 1 ticked
inline constexpr const char* kManufacturerKey = "Type";       // int, written only
inline constexpr const char* kCuttingSpeedKey = "Speed";      // int, mm/s, for the time estimate
inline constexpr const char* kWindowPositionKey = "WindowPos";  // "x,y,screen name" of the main window
inline constexpr const char* kLastFolderKey = "LastFolder";   // string, folder last saved into or opened from

// "Offset"
inline constexpr const char* kBladeOffsetOnKey = "ChkBladeOffset";  // int, 1 ticked
inline constexpr const char* kOverCutOnKey = "ChkOverCut";          // int, 1 ticked
inline constexpr const char* kBladeOffsetKey = "BladeOffset";       // string, millimetres
inline constexpr const char* kOverCutKey = "OverCut";               // string, millimetres
inline constexpr const char* kCutOrderKey = "CutOrder";             // int, 0 file order, 1 Reduce Feed, 2 Inside First

inline constexpr int kDefaultPort = 0;
inline constexpr const char* kDefaultPortText = "";
inline constexpr const char* kDefaultNetworkAddress = "127.0.0.1";
inline constexpr int kDefaultVirtualCom = 0;
inline constexpr int kDefaultBladeOffsetOn = 1;
inline constexpr int kDefaultOverCutOn = 0;
inline constexpr const char* kDefaultBladeOffset = "0.35";
inline constexpr const char* kDefaultOverCut = "1.0";
inline constexpr int kDefaultCutOrder = 0;
inline constexpr int kDefaultCuttingSpeed = 200;  // mm/s; values outside the range read as this
inline constexpr int kMinCuttingSpeed = 1;
inline constexpr int kMaxCuttingSpeed = 2000;
inline constexpr int kDefaultManufacturerRow = 3;   // not read back; the dialog starts on this row

// The language of a fresh file: Chinese on a system whose default locale is
// Chinese (PRC), English elsewhere.
inline int DefaultLanguage()
{
    return kerfmax::SystemLocaleIsChinesePrc() ? 1 : 0;
}

}  // namespace kerfmax::settings
