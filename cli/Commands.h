#pragma once
// The sub-commands of kerfmax-cli. Each takes the words after its own name and
// returns the process exit code.
#include <string>
#include <vector>

#include "run/ExitCodes.h"

namespace kerfmax::cli {

using Args = std::vector<std::string>;

int RunConvert(const Args& args);
int RunInfo(const Args& args);
int RunPorts(const Args& args);
int RunSend(const Args& args);
int RunRegister(const Args& args, bool install);

}  // namespace kerfmax::cli
