#pragma once
// Workspace files and registry prefixes as the host leaves them, built in the
// tests, plus xmllint queries to check the edited files.
#include <filesystem>
#include <string>
#include <vector>

namespace kerfmax::test {

struct WorkspaceShape {
    int corelVersion = 16;
    bool hostToolbar = true;  // the host toolbar definition the command joins
    int dockBarsBeforeFloat = 1;  // non-floating dock bars in front of the floating one
    bool floatLane = true;  // the floating dock bar has its cmdBarLane
    bool indented = true;  // tabs in front of nested lines
};

// A host workspace file with CRLF line ends and tab indentation.
std::string WorkspaceXml(const WorkspaceShape& shape = {});

// The value of each XPath expression (a count or a string) on the text, from
// one xmllint run; empty when xmllint refuses the text as ill-formed. Strings
// of more than 40 characters come back cut short: compare those in a count.
std::vector<std::string> XPaths(const std::string& xml, const std::vector<std::string>& expressions);

}  // namespace kerfmax::test
