#pragma once
// Our toolbar, command and dock entry in a host workspace file: added in
// registration, taken out again in removal. Only the elements named here are
// touched; the document keeps everything else byte for byte.
#include <filesystem>

#include "host/WorkspaceFileEdit.h"

namespace kerfmax {

class XmlDocument;

// Adds the floating dock entry, the command at the front of the host toolbar,
// our own toolbar definition and the command declaration, each where the
// workspace has a place for it. Nothing is looked up first: adding twice adds
// everything twice. True when anything was added.
bool AddToolbarEntries(XmlDocument& document, int corelVersion);

// Removes every copy of what AddToolbarEntries adds. True when anything was removed.
bool RemoveToolbarEntries(XmlDocument& document);

// The same on a workspace file, replaced only when it changed.
WorkspaceEditResult AddToolbarToWorkspaceXml(const std::filesystem::path& file, int corelVersion,
                                             bool keepBackup = true);
WorkspaceEditResult RemoveToolbarFromWorkspaceXml(const std::filesystem::path& file, bool keepBackup = true);

}  // namespace kerfmax
