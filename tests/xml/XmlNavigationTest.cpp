// Walking the elements: FindSibling, EnterElement, LeaveElement.
#include <gtest/gtest.h>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

constexpr std::string_view kWorkspace =
    "<?xml version=\"1.0\"?>\n"
    "<!-- workspace -->\n"
    "<uiConfig>\n"
    "  <frame><dockBar position=\"top\"/><dockBar position=\"float\"><cmdBarLane/></dockBar></frame>\n"
    "  <commandBars><commandBarData guid=\"a\"/><other/><commandBarData guid=\"b\"/></commandBars>\n"
    "  <items/>\n"
    "</uiConfig>\n";

TEST(XmlNavigation, FindSiblingLooksOnlyAfterTheCurrentElementAndEnterAndLeaveMoveOneLevel)
{
    RunCases({
        // Without a current element every operation on it fails and changes nothing.
        {kWorkspace, {":", "$version=", "!@x=2", "!=t", "!-", "!>", "!<"}, kWorkspace},
        // "frame" stands before the current element: not found, position kept.
        {kWorkspace, {">uiConfig", "?commandBars", "!?frame", ":commandBars", "?items"}, kWorkspace},
        {kWorkspace,
         {">uiConfig", ">frame", ":", "?dockBar", ">dockBar", "?cmdBarLane", "<", "$position=float", "<", ":frame",
          "?items", "<", ":uiConfig", "!<"},
         kWorkspace},
        // Names are case-sensitive.
        {"<a><B/></a>", {"!?A", ">a", "!?b"}, "<a><B/></a>"},
    });
}

}  // namespace
}  // namespace kerfmax::test
