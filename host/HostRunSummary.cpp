#include "host/HostRunSummary.h"

namespace kerfmax {

void HostRunSummary::RecordMacroFolderFound(const CorelVersionRow& row) { m_found.insert(row.major); }

void HostRunSummary::RecordProblem(const CorelVersionRow& row, const std::string& problem)
{
    m_failed.insert(row.major);
    m_problems.push_back(std::string(ShortLabel(row)) + ": " + problem);
}

std::string HostRunSummary::ClosingMessage(bool install) const
{
    std::string succeeded, failed;
    for (const auto& row : CorelVersionTable) {
        if (m_failed.count(row.major)) failed += row.label;
        else if (m_found.count(row.major)) succeeded += row.label;
    }
    if (succeeded.empty() && failed.empty()) return "Please install CorelDraw reinstall it!";
    const std::string lead = install ? "Install CorelDraw" : "Uninstall CorelDraw";
    std::string message;
    if (!succeeded.empty()) message = lead + succeeded + " Success !";
    if (!failed.empty()) message += (message.empty() ? "" : "\n") + lead + failed + " Failed !";
    return message;
}

}  // namespace kerfmax
