#include "support/TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kerfmax::test {

namespace {

// The whole content of an anonymous file the child wrote.
std::string ReadBack(int fd)
{
    std::string text;
    char buf[65536];
    ssize_t n;
    ::lseek(fd, 0, SEEK_SET);
    while ((n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

}  // namespace

// The child writes into anonymous files rather than pipes: however much it
// writes, it never blocks on a reader.
ProcessResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv)
{
    ProcessResult result;
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
    for (const auto& extra : extraEnv) {
        auto name = extra.substr(0, extra.find('=') + 1);
        std::erase_if(envStrings, [&](const std::string& s) { return s.rfind(name, 0) == 0; });
        envStrings.push_back(extra);
    }
    std::vector<char*> envp, args;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (auto& a : argCopy) args.push_back(a.data());
    args.push_back(nullptr);

    // Close-on-exec, so a child started by another thread cannot hold them.
    const int outFd = ::memfd_create("out", MFD_CLOEXEC), errFd = ::memfd_create("err", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned == 0) ::waitpid(pid, &status, 0);
    result.exitCode = spawned != 0 ? 127 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadBack(outFd);
    result.err = ReadBack(errFd);
    return result;
}

bool HaveProgram(const std::string& name)
{
    return RunProgram({"sh", "-c", "command -v \"$0\" >/dev/null", name}).exitCode == 0;
}

bool RunningUnderWine()
{
    return false;
}

}  // namespace kerfmax::test
