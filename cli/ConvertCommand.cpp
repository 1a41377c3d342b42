#include <cstdio>
#include "cli/Commands.h"
namespace kerfmax::cli {
int RunConvert(const Args&) { std::fputs("kerfmax-cli: not available yet\n", stderr); return kExitUsage; }
int RunInfo(const Args&) { std::fputs("kerfmax-cli: not available yet\n", stderr); return kExitUsage; }
}
