#include "WorkspaceFixtures.h"

#include <sstream>

#include "host/HostIdentifiers.h"
#include "support/TestSupport.h"

namespace kerfmax::test {

std::string WorkspaceXml(const WorkspaceShape& shape)
{
    const std::string group = shape.corelVersion < 17 ? "container" : "toolbar";
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!-- host workspace -->\r\n<uiConfig>\r\n\t<frame>\r\n";
    for (int i = 0; i < shape.dockBarsBeforeFloat; ++i)
        xml += "\t\t<dockBar position=\"top\">\r\n\t\t\t<cmdBarLane>\r\n\t\t\t\t<commandBar guidRef=\"dock-" +
               std::to_string(i) + "\"/>\r\n\t\t\t</cmdBarLane>\r\n\t\t</dockBar>\r\n";
    xml += "\t\t<dockBar position=\"float\">\r\n";
    if (shape.floatLane)
        xml +=
            "\t\t\t<cmdBarLane>\r\n\t\t\t\t<commandBar guidRef=\"float-1\" floatX=\"5\" floatY=\"6\" "
            "visible=\"false\"/>\r\n\t\t\t</cmdBarLane>\r\n";
    xml += "\t\t</dockBar>\r\n\t</frame>\r\n\t<commandBars>\r\n";
    xml += "\t\t<commandBarData guid=\"bar-1\" type=\"toolbar\">\r\n\t\t\t<" + group +
           ">\r\n\t\t\t\t<item guidRef=\"x1\"/>\r\n\t\t\t</" + group + ">\r\n\t\t</commandBarData>\r\n";
    if (shape.hostToolbar)
        xml += "\t\t<commandBarData guid=\"" + std::string(HOST_TOOLBAR_GUID) + "\" type=\"toolbar\">\r\n\t\t\t<" +
               group + ">\r\n\t\t\t\t<item guidRef=\"y1\"/>\r\n\t\t\t\t<item guidRef=\"y2\"/>\r\n\t\t\t</" + group +
               ">\r\n\t\t</commandBarData>\r\n";
    xml += "\t\t<commandBarData guid=\"bar-3\" type=\"menu\"/>\r\n\t</commandBars>\r\n";
    xml += "\t<items>\r\n\t\t<itemData guid=\"i1\" dynamicCommand=\"A.B.C\"/>\r\n\t</items>\r\n</uiConfig>\r\n";
    if (!shape.indented) std::erase(xml, '\t');
    return xml;
}

std::vector<std::string> XPaths(const std::string& xml, const std::vector<std::string>& expressions)
{
    TempDir dir;
    WriteFileBytes(dir / "w.xml", xml);
    std::string commands;
    for (const std::string& expression : expressions) commands += "xpath " + expression + "\n";
    WriteFileBytes(dir / "commands", commands);
    // The shell answers each command with a line "/ > Object is a number : 2".
    auto run = RunProgram(
        {"sh", "-c", "xmllint --shell \"$0\" < \"$1\"", (dir / "w.xml").string(), (dir / "commands").string()});
    std::vector<std::string> values;
    std::istringstream lines(run.out);
    for (std::string line; run.exitCode == 0 && std::getline(lines, line);)
        if (auto colon = line.find(" : "); line.rfind("/ > Object is a ", 0) == 0 && colon != std::string::npos)
            values.push_back(line.substr(colon + 3));
    return values;
}

}  // namespace kerfmax::test
