#include "app/JobSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "app/IniFile.h"
#include "app/SettingsKeys.h"
#include "geometry/Transform.h"

namespace kerfmax {

namespace {

constexpr std::size_t kLengthTextLimit = 9;  // the edit box text is read into a 10-byte buffer
constexpr double kUnitsPerMillimetre = 40.0;

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// True when the number text that failed with out-of-range has a negative
// exponent, i.e. it underflowed. Within nine characters no mantissa is long
// enough to overflow with a negative exponent.
bool HasNegativeExponent(std::string_view text, bool hex)
{
    char mark = hex ? 'p' : 'e';
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        char c = static_cast<char>(text[i] | 0x20);
        if (c == mark && text[i + 1] == '-') return true;
    }
    return false;
}

// The leading number of text as the C library's strtod reads it in the "C"
// locale, whatever locale the process runs in (a window toolkit may have set
// the user's, where the decimal mark can be a comma). No number gives 0.
double LeadingNumber(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::string_view rest = text.substr(pos);
    // One sign only: "+-1" and "--1" hold no number for the C library, while
    // from_chars would take the second sign as the number's own.
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) return 0.0;
    auto format = std::chars_format::general;
    bool hex = rest.size() > 2 && rest[0] == '0' && (rest[1] | 0x20) == 'x' &&
               (IsHexDigit(rest[2]) || (rest[2] == '.' && rest.size() > 3 && IsHexDigit(rest[3])));
    if (hex) {
        rest.remove_prefix(2);
        format = std::chars_format::hex;
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
    if (error == std::errc::invalid_argument) return 0.0;
    if (error == std::errc::result_out_of_range) {
        std::string_view number(rest.data(), static_cast<std::size_t>(end - rest.data()));
        value = HasNegativeExponent(number, hex) ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

bool ReadFlag(CIniFile& ini, const char* section, const char* key, int defaultValue)
{
    return ini.ReadInt(section, key, defaultValue) != 0;
}

}  // namespace

std::int32_t LengthTextToUnits(const std::string& text)
{
    std::string_view limited(text.data(), std::min(text.size(), kLengthTextLimit));
    return TruncateToInt32(LeadingNumber(limited) * kUnitsPerMillimetre);
}

std::string StepLengthText(const std::string& text, int step)
{
    std::string read = text.substr(0, std::min(text.size(), kLengthTextLimit));
    double stepped = LeadingNumber(read) + 0.1 * step;
    if (!(stepped > 0.0)) return read;
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, stepped, std::chars_format::fixed, 1);
    if (error != std::errc()) return read;
    return std::string(buffer, end);
}

bool IsLengthText(const std::string& text)
{
    int points = 0;
    int digits = 0;
    for (char c : text) {
        if (c == '.') ++points;
        else if (c >= '0' && c <= '9') ++digits;
        else return false;
    }
    return points <= 1 && digits > 0;
}

std::optional<TextId> LengthRefusal(const JobSettings& settings)
{
    if (settings.bladeOffsetOn && !IsLengthText(settings.bladeOffsetText)) return TextId::BladeOffsetNotLength;
    if (settings.overCutOn && !IsLengthText(settings.overCutText)) return TextId::OverCutNotLength;
    return std::nullopt;
}

std::int32_t JobSettings::BladeOffsetUnits() const
{
    return bladeOffsetOn ? LengthTextToUnits(bladeOffsetText) : 0;
}

std::int32_t JobSettings::OverCutUnits() const
{
    return overCutOn ? LengthTextToUnits(overCutText) : 0;
}

JobSettings ReadJobSettings(CIniFile& ini)
{
    using namespace settings;
    JobSettings result;
    // The order in which the main window reads them at start.
    result.portIndex = ini.ReadInt(kDeviceSection, kPortKey, kDefaultPort);
    result.portText = ini.ReadString(kDeviceSection, kPortTextKey, kDefaultPortText);
    // Kept as stored: any value but 1 shows English, and the language list
    // then shows no selection.
    result.language = ini.ReadInt(kDeviceSection, kLanguageKey, DefaultLanguage());
    result.networkAddress = ini.ReadString(kDeviceSection, kNetworkAddressKey, kDefaultNetworkAddress);
    result.bladeOffsetOn = ReadFlag(ini, kOffsetSection, kBladeOffsetOnKey, kDefaultBladeOffsetOn);
    result.overCutOn = ReadFlag(ini, kOffsetSection, kOverCutOnKey, kDefaultOverCutOn);
    result.bladeOffsetText = ini.ReadString(kOffsetSection, kBladeOffsetKey, kDefaultBladeOffset);
    result.overCutText = ini.ReadString(kOffsetSection, kOverCutKey, kDefaultOverCut);
    result.virtualCom = ReadFlag(ini, kDeviceSection, kVirtualComKey, kDefaultVirtualCom);
    result.cutOrder = ini.ReadInt(kOffsetSection, kCutOrderKey, kDefaultCutOrder);
    result.manufacturerRow = kDefaultManufacturerRow;
    result.cuttingSpeed = ReadCuttingSpeed(ini);
    return result;
}

int ReadCuttingSpeed(CIniFile& ini)
{
    using namespace settings;
    const int speed = ini.ReadInt(kDeviceSection, kCuttingSpeedKey, kDefaultCuttingSpeed);
    return speed >= kMinCuttingSpeed && speed <= kMaxCuttingSpeed ? speed : kDefaultCuttingSpeed;
}

void SaveCuttingSpeed(CIniFile& ini, int mmPerSecond)
{
    ini.WriteInt(settings::kDeviceSection, settings::kCuttingSpeedKey, mmPerSecond);
}

void SaveSettings(CIniFile& ini, const JobSettings& s, bool lastLinkWasNetwork)
{
    using namespace settings;
    // One read and one rewrite under the file's lock, in the order of the single writes.
    std::vector<IniEntry> entries = {
        {kDeviceSection, kManufacturerKey, std::to_string(s.manufacturerRow)},
        {kDeviceSection, kPortKey, std::to_string(s.portIndex)},
        {kDeviceSection, kPortTextKey, s.portText},
        {kOffsetSection, kBladeOffsetOnKey, s.bladeOffsetOn ? "1" : "0"},
        {kOffsetSection, kOverCutOnKey, s.overCutOn ? "1" : "0"},
        {kOffsetSection, kBladeOffsetKey, s.bladeOffsetText},
        {kOffsetSection, kOverCutKey, s.overCutText},
    };
    if (lastLinkWasNetwork) entries.push_back({kDeviceSection, kNetworkAddressKey, s.networkAddress});
    ini.WriteEntries(entries);
}

OutputOptions OutputOptionsFor(const JobSettings& settings)
{
    OutputOptions options;
    options.cutOrder = settings.cutOrder;
    options.compensate = settings.bladeOffsetOn || settings.overCutOn;
    options.bladeOffset = settings.BladeOffsetUnits();
    options.overCut = settings.OverCutUnits();
    options.frameEnabled = settings.frameEnabled;
    options.marginLeft = settings.marginLeft;
    options.marginRight = settings.marginRight;
    options.marginBottom = settings.marginBottom;
    options.marginTop = settings.marginTop;
    return options;
}

}  // namespace kerfmax
