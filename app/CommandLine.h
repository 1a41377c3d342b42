#pragma once
// The program's command line: the job file path and the switches that choose
// between a host-integration run and a cutting run.
#include <string>
#include <vector>

namespace kerfmax {

inline constexpr int kShellNothing = -1;    // no job file named
inline constexpr int kShellFileOpen = 1;    // m_strFileName names the job file

class CMC_CommandLineInfo {
public:
    virtual ~CMC_CommandLineInfo() = default;

    // One command-line word, without its '-' or '/' when isSwitch is true.
    // Switch names are compared exactly; unknown ones are ignored. Other
    // words are joined into m_strFileName with one blank after each word but
    // the last of the command line.
    virtual void ParseParam(const std::string& param, bool isSwitch, bool isLast);

    // m_strFileName without the trailing blanks the walk may leave.
    std::string JobFilePath() const;

    int m_nShellCommand = kShellNothing;
    std::string m_strFileName;
    int m_bRegWorkspace = 0;
    int m_bUnRegWorkspace = 0;
    int m_bHideUI = 0;
    int m_bAutoSend = 0;
};

// Hands each word (the program name excluded) to info.ParseParam: a leading
// '-' or '/' makes the rest a switch; isLast is true only for the final word.
// Where absolute paths begin with '/' (POSIX), a '/' word is a switch only
// when the rest is a known switch name, and a path word otherwise.
void ParseCommandLine(const std::vector<std::string>& words, CMC_CommandLineInfo& info);
void ParseCommandLine(int argc, const char* const* argv, CMC_CommandLineInfo& info);

enum class RunMode {
    Register,     // install toolbar and macro in the host, then end
    Unregister,   // remove them, then end
    Dialog        // the cutting run: the main window
};

// Registration wins over removal; both win over the dialog, which then
// ignores "HideUI" and "AutoSend".
RunMode ChooseRunMode(const CMC_CommandLineInfo& info);

}  // namespace kerfmax
