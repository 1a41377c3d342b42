#include "run/OutputFolder.h"

#include "platform/FileOps.h"
#include "platform/UserFolders.h"

namespace kerfmax {

OutputFolder::OutputFolder()
{
    std::optional<std::filesystem::path> folder = CreatePrivateFolder("kerfmax-", &m_error);
    if (!folder) return;
    m_folder = *folder;
    m_file = m_folder / kOutputFileName;
}

OutputFolder::~OutputFolder()
{
    if (!m_folder.empty()) DeleteFolderTree(m_folder);
}

}  // namespace kerfmax
