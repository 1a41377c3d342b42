// kerfmax-cli: the Kerfmax core without windows, for scripts, automation and tests.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Version.h"
#include "cli/Commands.h"
#include "platform/ProgramArguments.h"

namespace {

const char kUsage[] =
    "usage: kerfmax-cli COMMAND [arguments]\n"
    "\n"
    "commands:\n"
    "  convert JOB -o OUT.plt [options]   write the command stream that Save to File writes\n"
    "  info JOB                           job size in mm, counts of records, points, objects\n"
    "  ports                              the Port list as the main window shows it\n"
    "  send JOB --port TEXT [--ip ADDR[:PORT]] [--vcom] [options]\n"
    "                                     send the job to a cutter\n"
    "  register | unregister              install or remove the toolbar and macro in the host\n"
    "  --version                          the program's version\n"
    "\n"
    "Run 'kerfmax-cli COMMAND --help' for the options of one command.\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace kerfmax;
    using namespace kerfmax::cli;
    const Args words = kerfmax::ProgramArguments(argc, argv);
    if (words.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string& command = words.front();
    Args args(words.begin() + 1, words.end());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitDone;
    }
    if (command == "--version") {
        std::puts("kerfmax-cli " KERFMAX_VERSION);
        return kExitDone;
    }
    if (command == "convert") return RunConvert(args);
    if (command == "info") return RunInfo(args);
    if (command == "ports") return RunPorts(args);
    if (command == "send") return RunSend(args);
    if (command == "register") return RunRegister(args, true);
    if (command == "unregister") return RunRegister(args, false);
    std::fprintf(stderr, "kerfmax-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return kExitUsage;
}
