// Every XML file on this machine that no one here wrote loads and saves byte
// for byte the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

std::vector<std::filesystem::path> SystemXmlFiles()
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    const auto options = std::filesystem::directory_options::skip_permission_denied;
    for (auto it = std::filesystem::recursive_directory_iterator("/usr/share", options, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::error_code statError;
        if (it->path().extension() == ".xml" && it->is_regular_file(statError) &&
            it->file_size(statError) < 5 * 1024 * 1024)
            files.push_back(it->path());
    }
    return files;
}

TEST(XmlSystemFiles, EveryXmlFileUnderUsrShareRoundTripsByteForByte)
{
    const std::vector<std::filesystem::path> files = SystemXmlFiles();
    if (files.empty())
        GTEST_SKIP() << "no *.xml files under /usr/share";
    std::size_t identical = 0, illFormed = 0, refusedWellFormed = 0;
    for (const std::filesystem::path& path : files) {
        const std::string original = ReadFileBytes(path);
        XmlDocument document;
        if (!document.LoadFile(path)) {
            ++illFormed;
            // A file an independent parser accepts must not be refused.
            if (XmllintComplaint(original).empty()) {
                ++refusedWellFormed;
                ADD_FAILURE() << "refused a well-formed file: " << path << "\n" << document.ResultText();
            } else {
                std::cout << "[ refused  ] " << path << " (ill-formed for xmllint too)\n";
            }
        }
        if (Saved(document) == original)
            ++identical;
        else
            ADD_FAILURE() << "not byte-identical after load and save: " << path << "\n"
                          << document.ResultText();
    }
    std::cout << "[ checked  ] " << files.size() << " files under /usr/share: " << identical
              << " byte-identical, " << illFormed << " refused as ill-formed (" << refusedWellFormed
              << " of them well-formed for xmllint)\n";
}

}  // namespace
}  // namespace kerfmax::test
