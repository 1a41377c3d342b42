// The user's folders, and files and folders whose names hold Chinese
// characters, through the platform services.
#include <gtest/gtest.h>

#include "app/IniFile.h"
#include "app/SettingsPath.h"
#include "geometry/Job.h"
#include "platform/AtomicFile.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "platform/SystemError.h"
#include "platform/UserFolders.h"
#include "platform/win32/Win32Text.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

bool IsFolder(const std::filesystem::path& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FoldersWin32, DocumentsTemporaryAndProgramFoldersExist)
{
    const auto documents = DocumentsFolder();
    EXPECT_TRUE(documents.is_absolute()) << PathToUtf8(documents);
    EXPECT_TRUE(IsFolder(documents));

    const std::wstring program = ProgramFolder().native();
    for (const std::wstring& folder : {TemporaryFolder().native(), program}) {
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(folder.back(), L'\\');
        EXPECT_TRUE(IsFolder(folder));
    }
    EXPECT_NE(::GetFileAttributesW((program + L"kerfmax_tests_win32.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FoldersWin32, PrivateFoldersAreNewEachTimeUnderTheTemporaryFolder)
{
    std::string error;
    auto first = CreatePrivateFolder("kerfmax-", &error);
    auto second = CreatePrivateFolder("kerfmax-", &error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_NE(*first, *second);
    for (const auto& folder : {*first, *second}) {
        EXPECT_TRUE(IsFolder(folder));
        EXPECT_EQ(folder.parent_path().native() + L"\\", TemporaryFolder().native());
        EXPECT_EQ(folder.filename().native().rfind(L"kerfmax-", 0), 0u);
        EXPECT_TRUE(DeleteFolderTree(folder));
        EXPECT_FALSE(IsFolder(folder));
    }
}

TEST(FoldersWin32, FilesAndFoldersWithChineseNamesAreMadeReadReplacedAndRemoved)
{
    test::TempDir dir;
    const auto folder = dir.Path() / L"切割机";
    ASSERT_TRUE(EnsureFolder(folder));
    auto unique = CreateUniqueFolder(folder);
    ASSERT_TRUE(unique);
    EXPECT_EQ(unique->filename().native(), L"切割机-2");

    const auto file = folder / L"作业.plt";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(file, "IN;PU0,0;", &error)) << error;
    ASSERT_TRUE(WriteFileAtomically(file, "IN;PD40,40;", &error)) << error;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(file, &bytes, &error)) << error;
    EXPECT_EQ(bytes, "IN;PD40,40;");
    // A temporary left by an interrupted replacement is recognised by its name.
    test::WriteFileBytes(TemporarySibling(file), "half");
    EXPECT_EQ(RemoveStaleTemporaries(file), 1);

    const auto copy = folder / L"副本.plt";
    ASSERT_TRUE(CopyFileAtomically(file, copy, &error)) << error;
    EXPECT_EQ(test::ReadFileBytes(copy), "IN;PD40,40;");
    EXPECT_TRUE(DeleteFileIfPresent(copy));
    EXPECT_TRUE(DeleteFileIfPresent(copy));
    EXPECT_FALSE(DeleteFileIfPresent(folder));

    // Settings and job files in such a folder.
    const auto settings = SettingsFilePathIn(folder);
    ASSERT_TRUE(CIniFile(settings).WriteString("Device", "PortS", "COM3<USB 串口>"));
    EXPECT_EQ(CIniFile(settings).ReadString("Device", "PortS", ""), "COM3<USB 串口>");
    const auto job = folder / L"标志.hb";
    test::WriteFileBytes(job, test::ReadFileBytes(test::SourcePath("resources/samples/sign.hb")));
    Job loaded;
    loaded.LoadJob(PathFromUtf8(PathToUtf8(job)));
    EXPECT_TRUE(loaded.HasJob());

    // A read-only file deep inside goes with the tree.
    ASSERT_TRUE(EnsureFolder(folder / "inner"));
    test::WriteFileBytes(folder / "inner" / "locked.xml", "x");
    ::SetFileAttributesW((folder / "inner" / "locked.xml").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteFolderTree(folder));
    EXPECT_FALSE(IsFolder(folder));
}

TEST(SystemErrorWin32, TextsComeFromTheSystemTableWithoutTheirLineEnd)
{
    const std::string text = SystemErrorText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_EQ(text.find("Unknown error"), std::string::npos);
    EXPECT_EQ(SystemErrorText(0x7FFF1234), "Unknown error 2147422772");
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(LastSystemErrorCode(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace kerfmax
