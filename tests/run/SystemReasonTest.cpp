// Failures caused by the system name the system's reason: a full disk under
// the run's output folder, a documents folder that cannot take our folder.
// Each case runs in a child with a private mount namespace and a small tmpfs.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <future>
#include <functional>

#include "app/IniFile.h"
#include "app/SettingsPath.h"
#include "platform/Notifier.h"
#include "run/CuttingRun.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

// Runs body in a child whose mounts are its own, with a tmpfs of sizeKiB at
// folder (read-only when asked); returns what body returned, or nothing when
// the system allows no private mount here.
std::optional<std::string> InPrivateTmpfs(const std::filesystem::path& folder, int sizeKiB, bool readOnly,
                                          const std::function<std::string()>& body)
{
    int pipe[2];
    if (::pipe(pipe) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const std::string options = "size=" + std::to_string(sizeKiB) + "k";
        const bool mounted = ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                             ::mount("none", folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
        if (!mounted) ::_exit(2);
        const std::string answer = body();
        (void)!::write(pipe[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string answer;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, got);
    ::close(pipe[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) return std::nullopt;
    return answer;
}

TEST(SystemReason, AFullDiskUnderTheOutputFolderIsNamedAfterSaveCutTempDataError1)
{
    test::TempDir dir;
    const auto small = dir / "small";
    std::filesystem::create_directory(small);
    auto messages = InPrivateTmpfs(small, 64, false, [&] {
        ::unsetenv("XDG_RUNTIME_DIR");
        ::setenv("TMPDIR", small.c_str(), 1);
        CuttingRun run;
        std::string job = "PU0,0;";
        for (int i = 0; i < 20000; ++i) job += "PD" + std::to_string(i) + "," + std::to_string(i % 2 * 400) + ";";
        run.LoadJobText(job + "SP0;");
        std::promise<std::string> said;
        std::string text;
        SaveCallbacks callbacks;
        callbacks.message = [&](const std::string& message, NotifyIcon) { text += message + "\n"; };
        callbacks.done = [&](SaveResult) { said.set_value(text); };
        if (!run.StartSaveToFile(dir / "out.plt", callbacks)) return std::string("not started");
        std::string result = said.get_future().get();
        run.Wait();
        return result;
    });
    if (!messages) GTEST_SKIP() << "no private mount namespace here (needs root)";
    EXPECT_EQ(*messages, "SaveCutTempData Error1\nWarning: No space left on device\nSave fail!\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.plt"));
}

TEST(SystemReason, AReadOnlyDocumentsFolderIsNamedInsteadOfAMissingFile)
{
    test::TempDir dir;
    const auto documents = dir / "Documents";
    std::filesystem::create_directory(documents);
    auto report = InPrivateTmpfs(documents, 16, true, [&] {
        RecordingNotifier notes;
        CIniFile ini(SettingsFilePathIn(documents), &notes);
        const int port = ini.ReadInt("Device", "Port", 7);
        ini.WriteInt("Device", "Port", 1);
        return std::to_string(port) + " " + std::to_string(notes.count) + " " + notes.messages;
    });
    if (!report) GTEST_SKIP() << "no private mount namespace here (needs root)";
    EXPECT_EQ(*report, "7 1 Cannot open settings file " + (documents / "Kerfmax" / "Kerfmax.ini").string() +
                           ": cannot create folder " + (documents / "Kerfmax").string() + ": Read-only file system\n");
}

}  // namespace
}  // namespace kerfmax
