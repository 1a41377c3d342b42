#include "run/OutputFolder.h"

#include <limits>
#include <string>
#include <system_error>

#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "platform/ProcessIdentity.h"
#include "platform/UserFolders.h"

namespace kerfmax {

namespace {

constexpr char kFolderPrefix[] = "kerfmax-";

// The owner's process id from a name "kerfmax-<pid>-<unique>"; 0 for any other name.
long OwnerOf(const std::string& name)
{
    const std::string prefix = kFolderPrefix;
    if (name.compare(0, prefix.size(), prefix) != 0) return 0;
    long long owner = 0;
    std::size_t i = prefix.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && owner < 1000000000LL; ++i)
        owner = owner * 10 + (name[i] - '0');
    const bool wellFormed = i > prefix.size() && i + 1 < name.size() && name[i] == '-';
    return wellFormed && owner <= std::numeric_limits<long>::max() ? static_cast<long>(owner) : 0;
}

}  // namespace

OutputFolder::OutputFolder()
{
    const std::string prefix = kFolderPrefix + std::to_string(CurrentProcessId()) + "-";
    std::optional<std::filesystem::path> folder = CreatePrivateFolder(prefix, &m_error);
    if (!folder) return;
    m_folder = *folder;
    m_file = m_folder / kOutputFileName;
    RemoveAbandonedFolders(m_folder.parent_path(), m_folder);
}

OutputFolder::~OutputFolder()
{
    if (!m_folder.empty()) DeleteFolderTree(m_folder);
}

int RemoveAbandonedFolders(const std::filesystem::path& parent, const std::filesystem::path& keep)
{
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        const long owner = OwnerOf(PathToUtf8(it->path().filename()));
        if (owner == 0 || it->path() == keep || ProcessIsAlive(owner)) continue;
        // Only real folders: a link of that name is not one of ours.
        std::error_code statError;
        if (!std::filesystem::is_directory(it->symlink_status(statError)) || statError) continue;
        if (DeleteFolderTree(it->path())) ++removed;
    }
    return removed;
}

}  // namespace kerfmax
