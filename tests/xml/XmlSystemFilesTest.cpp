// Every XML file on this machine that no one here wrote loads and saves byte
// for byte the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

TEST(XmlSystemFiles, EveryXmlFileUnderUsrShareRoundTripsByteForByte)
{
    std::size_t checked = 0;
    std::error_code error;
    const auto options = std::filesystem::directory_options::skip_permission_denied;
    for (auto it = std::filesystem::recursive_directory_iterator("/usr/share", options, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::error_code statError;
        if (it->path().extension() != ".xml" || !it->is_regular_file(statError) ||
            it->file_size(statError) >= 5 * 1024 * 1024)
            continue;
        ++checked;
        const std::string original = ReadFileBytes(it->path());
        XmlDocument document;
        // A file an independent parser accepts must not be refused.
        if (!document.LoadFile(it->path()) && XmllintComplaint(original).empty())
            ADD_FAILURE() << "refused a well-formed file: " << it->path() << "\n" << document.ResultText();
        if (Saved(document) != original)
            ADD_FAILURE() << "not byte-identical after load and save: " << it->path() << "\n" << document.ResultText();
    }
    if (checked == 0) GTEST_SKIP() << "no *.xml files under /usr/share";
}

}  // namespace
}  // namespace kerfmax::test
