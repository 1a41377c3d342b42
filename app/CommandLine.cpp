#include "app/CommandLine.h"

#include <string_view>

#include "platform/PathText.h"

namespace kerfmax {

namespace {

struct SwitchFlag {
    std::string_view name;
    int CMC_CommandLineInfo::*flag;
};

// The "T" forms are kept for installers that pass them; they act the same.
constexpr SwitchFlag kSwitches[] = {
    {"RegCorelWorkSpace", &CMC_CommandLineInfo::m_bRegWorkspace},
    {"UnRegCorelWorkSpace", &CMC_CommandLineInfo::m_bUnRegWorkspace},
    {"RegCorelWorkSpaceT", &CMC_CommandLineInfo::m_bRegWorkspace},
    {"UnRegCorelWorkSpaceT", &CMC_CommandLineInfo::m_bUnRegWorkspace},
    {"HideUI", &CMC_CommandLineInfo::m_bHideUI},
    {"AutoSend", &CMC_CommandLineInfo::m_bAutoSend},
};

bool IsKnownSwitch(std::string_view name)
{
    for (const SwitchFlag& entry : kSwitches)
        if (entry.name == name) return true;
    return false;
}

// '-' always marks a switch. '/' does too, except where it begins absolute
// paths: there only a known switch name makes it one, so that the host can
// pass "/home/.../job.hb" as the job file.
bool IsSwitchWord(const std::string& word)
{
    if (word.empty()) return false;
    if (word.front() == '-') return true;
    if (word.front() != '/') return false;
    return !SlashBeginsAbsolutePaths() || IsKnownSwitch(std::string_view(word).substr(1));
}

}  // namespace

void CMC_CommandLineInfo::ParseParam(const std::string& param, bool isSwitch, bool isLast)
{
    if (!isSwitch) {
        m_nShellCommand = kShellFileOpen;
        m_strFileName += param;
        if (!isLast) m_strFileName += ' ';
        return;
    }
    for (const SwitchFlag& entry : kSwitches) {
        if (entry.name == param) {
            this->*entry.flag = 1;
            return;
        }
    }
}

std::string CMC_CommandLineInfo::JobFilePath() const
{
    std::size_t end = m_strFileName.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : m_strFileName.substr(0, end + 1);
}

void ParseCommandLine(const std::vector<std::string>& words, CMC_CommandLineInfo& info)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        bool isLast = i + 1 == words.size();
        if (IsSwitchWord(word)) info.ParseParam(word.substr(1), true, isLast);
        else info.ParseParam(word, false, isLast);
    }
}

void ParseCommandLine(int argc, const char* const* argv, CMC_CommandLineInfo& info)
{
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) words.emplace_back(argv[i] ? argv[i] : "");
    ParseCommandLine(words, info);
}

RunMode ChooseRunMode(const CMC_CommandLineInfo& info)
{
    if (info.m_bRegWorkspace) return RunMode::Register;
    if (info.m_bUnRegWorkspace) return RunMode::Unregister;
    return RunMode::Dialog;
}

}  // namespace kerfmax
