#pragma once
// What a registration or removal run found and what went wrong, and the one
// message that closes the run.
#include <set>
#include <string>
#include <vector>

#include "host/CorelVersionTable.h"

namespace kerfmax {

class HostRunSummary {
public:
    // The version's user folder was found: it is named in the closing message.
    void RecordMacroFolderFound(const CorelVersionRow& row);
    // A step failed for the version: the closing message names it as failed.
    void RecordProblem(const CorelVersionRow& row, const std::string& problem);

    // "Install CorelDraw X7 2018 Success !" (or "Uninstall ..."), listing the
    // found versions in table order; versions with a problem are listed in a
    // second line ending " Failed !" instead; with none of either,
    // "Please install CorelDraw reinstall it!".
    std::string ClosingMessage(bool install) const;

    bool HasFailures() const { return !m_failed.empty(); }
    // One line per problem, each starting with the version's label.
    const std::vector<std::string>& Problems() const { return m_problems; }

private:
    std::set<int> m_found;
    std::set<int> m_failed;
    std::vector<std::string> m_problems;
};

}  // namespace kerfmax
