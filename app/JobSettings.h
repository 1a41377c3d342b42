#pragma once
// The cutting settings of one run, as the main window shows them and the output
// assembly, the preview and the Send step read them. Lengths in millimetres as
// typed; margins in whole millimetres.
#include <cstdint>
#include <optional>
#include <string>

#include "app/SettingsKeys.h"
#include "app/Texts.h"
#include "geometry/Job.h"
#include "geometry/OutputOptions.h"

namespace kerfmax {

class CIniFile;

struct JobSettings {
    int language = 0;  // 1 Chinese, any other value English
    bool bladeOffsetOn = true;
    std::string bladeOffsetText = "0.35";
    bool overCutOn = false;
    std::string overCutText = "1.0";
    int portIndex = 0;
    std::string portText;  // text of the selected Port entry
    std::string networkAddress = "127.0.0.1";
    bool virtualCom = false;
    int manufacturerRow = 3;
    int cutOrder = 0;  // 0 file order, 1 "Reduce Feed"
    bool mirror = false;
    Rotation rotation = Rotation::None;
    std::int32_t frameEnabled = 0;
    std::int32_t marginLeft = 1;
    std::int32_t marginRight = 1;
    std::int32_t marginBottom = 1;
    std::int32_t marginTop = 1;
    int cuttingSpeed = settings::kDefaultCuttingSpeed;  // mm/s, for the time estimate only

    // Plotter units for the output: 0 when the box is not ticked.
    std::int32_t BladeOffsetUnits() const;
    std::int32_t OverCutUnits() const;
};

// The values the output assembly reads from the settings.
OutputOptions OutputOptionsFor(const JobSettings& settings);

// At most 9 characters, leading decimal number (none gives 0), times 40.0,
// truncated toward zero. The number is read as the C library reads it in the
// "C" locale, whatever the process locale; results beyond the 32-bit range
// are clamped to it and a not-a-number text gives 0.
std::int32_t LengthTextToUnits(const std::string& text);

// One arrow step on a length box: the leading number of at most 9 characters
// plus 0.1 per step (+1 up, -1 down), written "%.1f". A result that is not
// above zero gives back the text that was read, unchanged.
std::string StepLengthText(const std::string& text, int step);

// True when text is a length as the offset boxes take it: digits with at most
// one decimal point and at least one digit ("0.35", "1", ".5", "2."). Stored
// texts are read as before; this only decides whether Send may use them.
bool IsLengthText(const std::string& text);

// The message that refuses Send and Save to File when a ticked box holds a text
// that is not a length (it would otherwise cut without that compensation while
// the box shows it ticked); nothing when both can be used.
std::optional<TextId> LengthRefusal(const JobSettings& settings);

// Fills the persisted settings from the settings file (defaults of a fresh file
// where keys are missing), reading the keys in the order of the window's start.
// The language is kept as stored. Mirror, rotation and frame start afresh.
JobSettings ReadJobSettings(CIniFile& ini);

// The settings that Send and Save to File write, in their order: "Type", "Port",
// "PortS", "ChkBladeOffset", "ChkOverCut", "BladeOffset", "OverCut", then "IP"
// when the last link built was a network link.
void SaveSettings(CIniFile& ini, const JobSettings& settings, bool lastLinkWasNetwork);

// The cutting speed of the estimate: stored when the user sets it. A stored
// value outside [kMinCuttingSpeed, kMaxCuttingSpeed] reads as the default.
int ReadCuttingSpeed(CIniFile& ini);
void SaveCuttingSpeed(CIniFile& ini, int mmPerSecond);

}  // namespace kerfmax
