// The parts of the shared test support that are the same on every system:
// temporary folders, whole-file reads and writes, and the command-line tool.
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "support/TestSupport.h"

namespace kerfmax::test {

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("kerfmax-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path SourcePath(const std::string& relative)
{
    return std::filesystem::path(KERFMAX_SOURCE_DIR) / relative;
}

ProcessResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
{
    std::vector<std::string> argv{KERFMAX_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, extraEnv);
}

}  // namespace kerfmax::test
