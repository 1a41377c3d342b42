// kerfmax-cli ports: the Port list as the main window shows it after Refresh
// Serial No., one entry per line.
#include <cstdio>
#include <filesystem>

#include "app/IniFile.h"
#include "app/JobSettings.h"
#include "app/SettingsKeys.h"
#include "cli/Commands.h"
#include "cutter/PortDiscovery.h"
#include "platform/Notifier.h"
#include "platform/PathText.h"

namespace kerfmax::cli {

namespace {

const char kPortsHelp[] =
    "usage: kerfmax-cli ports [--settings INI]\n"
    "\n"
    "Lists the Port entries as the main window shows them: the serial ports, the\n"
    "network entry (in the language of the settings file) and one USB_n entry per\n"
    "attached USB cutter.\n"
    "\n"
    "  --settings INI       take the interface language from this settings file\n"
    "  --device-root DIR    for testing: read DIR/sys, DIR/dev and DIR/run/udev/data\n"
    "                       instead of the system's (also KERFMAX_DEVICE_ROOT)\n";

}  // namespace

int RunPorts(const Args& args)
{
    std::string settingsPath;
    std::string deviceRoot;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            std::fputs(kPortsHelp, stdout);
            return kExitDone;
        }
        bool hasValue = i + 1 < args.size();
        if (word == "--settings" && hasValue) {
            settingsPath = args[++i];
        } else if (word == "--device-root" && hasValue) {
            deviceRoot = args[++i];
        } else {
            std::fprintf(stderr, "kerfmax-cli ports: unexpected '%s'\n\n%s", word.c_str(), kPortsHelp);
            return kExitUsage;
        }
    }
    int language = settings::DefaultLanguage();
    if (!settingsPath.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(PathFromUtf8(settingsPath), ec)) {
            std::fprintf(stderr, "kerfmax-cli ports: cannot read settings file '%s'\n", settingsPath.c_str());
            return kExitUsage;
        }
        CIniFile ini(PathFromUtf8(settingsPath));
        language = ReadJobSettings(ini).language;
    }
    PortListing listing = RefreshPortList(language, DeviceTreeRootsFor(deviceRoot), DefaultNotifier());
    for (const std::string& entry : listing.entries) std::printf("%s\n", entry.c_str());
    return kExitDone;
}

}  // namespace kerfmax::cli
