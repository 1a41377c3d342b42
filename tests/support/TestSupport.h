#pragma once
// Small helpers shared by every test program: temporary folders, whole-file
// reads and writes, and running the command-line tool as a child process.
#include <filesystem>
#include <string>
#include <vector>

namespace kerfmax::test {

// A fresh folder under the system temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// Path of a file in the source tree, e.g. SourcePath("resources/samples/x.hb").
std::filesystem::path SourcePath(const std::string& relative);

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs kerfmax-cli with the given arguments (no shell), with standard input
// closed, and collects its output. Extra environment entries are "NAME=value".
ProcessResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {});

// Runs any program by path or name (searched on the test's own PATH) the same way.
ProcessResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});

// True when a program is found on PATH.
bool HaveProgram(const std::string& name);

// True when the test runs under Wine, whose stand-in fonts are not the
// system's own: text metrics there say nothing about a real desktop.
bool RunningUnderWine();

}  // namespace kerfmax::test
