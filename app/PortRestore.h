#pragma once
// How the main window brings back the Port entry of the last run ("PortS").
#include <string>
#include <vector>

namespace kerfmax {

// An empty text or a USB entry is looked for in a fresh Port list; a COM port
// or the network entry is put back as it was, without enumerating.
bool PortRestoreNeedsRefresh(const std::string& portS);

// True when the stored text is the network entry in either language (its
// start, ignoring case, as a language change finds it). The list already holds
// the one network entry of the current language: that entry is selected, so
// the window never shows a second one or one of the other language, which
// would not be recognised as the network link.
bool NamesNetworkEntry(const std::string& portS);

// In a refreshed list: item 0 for an empty text; otherwise the item that begins
// with the text (ignoring case), searched from the second item on and then the
// first. -1 when nothing matches or the list is empty.
int RestoredPortIndex(const std::vector<std::string>& entries, const std::string& portS);

}  // namespace kerfmax
