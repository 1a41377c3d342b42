#pragma once
// Runs a helper program as a hidden child process and waits for it to end.
// The program gets an argument vector (never a shell command line), no
// standard input, and its standard output and error are captured together.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kerfmax {

struct ProcessOutcome {
    bool started = false;  // false: the program could not be started at all
    int exitCode = -1;  // the program's exit status; -1 when it did not exit normally
    std::string output;  // standard output and error, at most kMaxCapturedOutput bytes
    std::string problem;  // why it could not be started, or how it ended abnormally

    bool Succeeded() const { return started && exitCode == 0; }
};

inline constexpr std::size_t kMaxCapturedOutput = 64 * 1024;

// argv[0] is the program: a path, or a bare name searched on PATH.
ProcessOutcome RunHiddenProcess(const std::vector<std::string>& argv);

// argv[0] for a helper program such as "7z": POSIX systems install it on PATH,
// so the bare name; on Windows it ships beside us, "<programFolder>\7z.exe".
std::string BundledToolProgram(const std::filesystem::path& programFolder, std::string_view name);

}  // namespace kerfmax
