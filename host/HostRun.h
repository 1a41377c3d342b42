#pragma once
// A registration or removal run: the workspace pass, then the macro pass,
// and the message that closes the run. The main window and kerfmax-cli both
// start host runs through here and show the message their own way.
#include <filesystem>
#include <string>
#include <vector>

#include "host/HostEnvironment.h"

namespace kerfmax {

struct HostRunReport {
    std::string closingMessage;
    std::vector<std::string> problems;   // one line per failed step, for a log or standard error
    bool failed = false;                 // some step failed for some version
    std::string registryProblem;         // why the registry could not be read; empty when it could
};

// install: true registers (adds the toolbar, copies the macro project),
// false removes.
HostRunReport RunHostIntegration(bool install, const HostEnvironment& environment);

// The same for the user running the program: the current user's registry,
// the archive tool where it is shipped, and our files in programFolder
// (the program's own folder when empty).
HostRunReport RunHostIntegrationForCurrentUser(bool install, std::filesystem::path programFolder = {});

}  // namespace kerfmax
