#pragma once
// Workspace files and registry prefixes as the host leaves them, built in the
// tests, plus xmllint queries to check the edited files.
#include <filesystem>
#include <string>

namespace kerfmax::test {

struct WorkspaceShape {
    int corelVersion = 16;
    bool hostToolbar = true;          // the host toolbar definition the command joins
    int dockBarsBeforeFloat = 1;      // non-floating dock bars in front of the floating one
    bool floatLane = true;            // the floating dock bar has its cmdBarLane
    bool otherBarAfterHost = false;   // another definition right after the host toolbar's
    bool indented = true;             // tabs in front of nested lines
};

// A host workspace file with CRLF line ends and tab indentation.
std::string WorkspaceXml(const WorkspaceShape& shape = {});

// xmllint --xpath on the text; the result without a trailing line feed.
std::string XPath(const std::string& xml, const std::string& expression);
// The text without the white space between tags, to compare element structure.
std::string WithoutIndentation(const std::string& xml);
// True when xmllint --noout accepts the text.
bool WellFormed(const std::string& xml);

}  // namespace kerfmax::test
