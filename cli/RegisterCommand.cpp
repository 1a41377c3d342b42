#include <cstdio>
#include "cli/Commands.h"
namespace kerfmax::cli {
int RunRegister(const Args&, bool) { std::fputs("kerfmax-cli: not available yet\n", stderr); return kExitUsage; }
}
