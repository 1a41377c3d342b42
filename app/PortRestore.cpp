#include "app/PortRestore.h"

#include <cctype>

#include "cutter/PortDiscovery.h"

namespace kerfmax {

namespace {

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

}  // namespace

bool PortRestoreNeedsRefresh(const std::string& portS)
{
    return portS.empty() || portS.compare(0, 3, "USB") == 0;
}

bool NamesNetworkEntry(const std::string& portS)
{
    return StartsWithIgnoringCase(portS, kNetworkPortEnglish) || StartsWithIgnoringCase(portS, kNetworkPortChinese);
}

int RestoredPortIndex(const std::vector<std::string>& entries, const std::string& portS)
{
    if (entries.empty()) return -1;
    if (portS.empty()) return 0;
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (StartsWithIgnoringCase(entries[i], portS)) return static_cast<int>(i);
    return StartsWithIgnoringCase(entries[0], portS) ? 0 : -1;
}

}  // namespace kerfmax
