#include <cstdio>
#include "cli/Commands.h"
namespace kerfmax::cli {
int RunPorts(const Args&) { std::fputs("kerfmax-cli: not available yet\n", stderr); return kExitUsage; }
}
