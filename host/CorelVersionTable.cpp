#include "host/CorelVersionTable.h"

namespace kerfmax {

std::string DirectoriesKey(const CorelVersionRow& row)
{
    return std::string(row.programKey) + "\\Application Preferences\\Directories";
}

std::string_view ShortLabel(const CorelVersionRow& row) { return row.label.substr(1); }

}  // namespace kerfmax
