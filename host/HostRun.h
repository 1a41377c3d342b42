#pragma once
// A registration or removal run: the workspace pass, then the macro pass,
// and the message that closes the run. The main window and kerfmax-cli both
// start host runs through here and show the message their own way.
#include <string>
#include <vector>

#include "host/HostEnvironment.h"

namespace kerfmax {

struct HostRunReport {
    std::string closingMessage;
    std::vector<std::string> problems;   // one line per failed step, for a log or standard error
    bool failed = false;                 // some step failed for some version
};

// install: true registers (adds the toolbar, copies the macro project),
// false removes.
HostRunReport RunHostIntegration(bool install, const HostEnvironment& environment);

}  // namespace kerfmax
