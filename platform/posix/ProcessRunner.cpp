#include "platform/ProcessRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace kerfmax {

namespace {

// Reads the pipe until the child closes it, so a chatty child never blocks.
void DrainPipe(int fd, std::string& output)
{
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            std::size_t room = kMaxCapturedOutput - std::min(output.size(), kMaxCapturedOutput);
            output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
        } else if (n == 0 || errno != EINTR) {
            return;
        }
    }
}

int WaitForChild(pid_t pid, ProcessOutcome& outcome)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            outcome.problem = std::strerror(errno);
            return -1;
        }
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    outcome.problem = "ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
}

}  // namespace

ProcessOutcome RunHiddenProcess(const std::vector<std::string>& argv)
{
    ProcessOutcome outcome;
    if (argv.empty()) {
        outcome.problem = "no program given";
        return outcome;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        outcome.problem = std::strerror(errno);
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);

    std::vector<char*> args;
    std::vector<std::string> argCopy = argv;
    for (auto& a : argCopy) args.push_back(a.data());
    args.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        outcome.problem = "cannot start " + argv[0] + ": " + std::strerror(rc);
        return outcome;
    }
    DrainPipe(pipeFds[0], outcome.output);
    ::close(pipeFds[0]);
    int exitCode = WaitForChild(pid, outcome);
    // glibc reports an exec failure as exit status 127 of the child.
    if (exitCode == 127 && outcome.output.empty()) {
        outcome.problem = "cannot start " + argv[0];
        return outcome;
    }
    outcome.started = true;
    outcome.exitCode = exitCode;
    return outcome;
}

std::string BundledToolProgram(const std::filesystem::path&, std::string_view name)
{
    return std::string(name);
}

}  // namespace kerfmax
