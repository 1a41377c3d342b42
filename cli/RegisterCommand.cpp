// kerfmax-cli register | unregister: the two host passes, then the closing
// message on standard output.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/Commands.h"
#include "host/HostRun.h"
#include "platform/PathText.h"

namespace kerfmax::cli {

namespace {

const char kRegisterUsage[] =
    "usage: kerfmax-cli register|unregister [--program-folder DIR]\n"
    "\n"
    "Adds (register) or removes (unregister) the Kerfmax toolbar and macro in every\n"
    "installed version of the host drawing program found in the user's registry\n"
    "(on Linux: the Wine prefix in $WINEPREFIX, else ~/.wine), then prints the\n"
    "closing message. Problems are listed on standard error.\n"
    "\n"
    "  --program-folder DIR   take Kerfmax.dll and the three icon files from DIR\n"
    "                         instead of the program's own folder (for testing)\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 3 a step failed for some version.\n";

struct RegisterOptions {
    std::filesystem::path programFolder;
    bool help = false;
};

bool ParseRegisterOptions(const Args& args, RegisterOptions& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            options.help = true;
        } else if (args[i] == "--program-folder" && i + 1 < args.size()) {
            options.programFolder = PathFromUtf8(args[++i]);
        } else {
            std::fprintf(stderr, "kerfmax-cli: unexpected argument '%s'\n", args[i].c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int RunRegister(const Args& args, bool install)
{
    RegisterOptions options;
    if (!ParseRegisterOptions(args, options)) {
        std::fputs(kRegisterUsage, stderr);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kRegisterUsage, stdout);
        return kExitDone;
    }
    HostRunReport report = RunHostIntegrationForCurrentUser(install, options.programFolder);
    if (!report.registryProblem.empty()) std::fprintf(stderr, "kerfmax-cli: %s\n", report.registryProblem.c_str());
    for (const auto& problem : report.problems) std::fprintf(stderr, "kerfmax-cli: %s\n", problem.c_str());
    std::printf("%s\n", report.closingMessage.c_str());
    return report.failed ? kExitOutputFailure : kExitDone;
}

}  // namespace kerfmax::cli
