#include "app/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/Notifier.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class IniFileTest : public ::testing::Test {
protected:
    std::filesystem::path Ini() const { return m_dir / "Kerfmax.ini"; }
    std::string FileText() const { return ReadFileBytes(Ini()); }

    TempDir m_dir;
    RecordingNotifier m_notes;
    CIniFile m_ini{Ini(), &m_notes};
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsCreatedEmpty)
{
    EXPECT_EQ(m_ini.ReadString("Device", "PortS", "none"), "none");
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 7), 7);
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", -3), -3);
    ASSERT_TRUE(std::filesystem::exists(Ini()));
    EXPECT_EQ(std::filesystem::file_size(Ini()), 0u);
    EXPECT_EQ(m_notes.count, 0);
}

TEST_F(IniFileTest, SectionNamesAreTrimmedAndCaseSensitive)
{
    WriteFileBytes(Ini(), "[device]\nPort=1\n[  Device  ]\nPort=2\n");
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 0), 2);
    EXPECT_EQ(m_ini.ReadInt("device", "Port", 0), 1);
    EXPECT_EQ(m_ini.ReadInt("DEVICE", "Port", 9), 9);
    EXPECT_EQ(m_ini.ReadInt("Device", "port", 9), 9);
}

TEST_F(IniFileTest, BlanksAroundKeyAndValueAreTrimmedAndRewrittenWithout)
{
    WriteFileBytes(Ini(), "[Device]\r\n  Port \t=  3  \r\nPortS = COM7<USB Serial> \r\n");
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 0), 3);
    EXPECT_EQ(m_ini.ReadString("Device", "PortS", ""), "COM7<USB Serial>");
    ASSERT_TRUE(m_ini.WriteInt("Device", "Port", 4));
    EXPECT_EQ(FileText(), "[Device]\r\nPort=4\r\nPortS = COM7<USB Serial> \r\n");
}

TEST_F(IniFileTest, LinesEndingInLfOrCrLfReadAlikeAndAreWrittenWithCrLf)
{
    WriteFileBytes(Ini(), "[Device]\nIP=10.0.0.2\r\nVCOM=1");   // no line end on the last line
    EXPECT_EQ(m_ini.ReadString("Device", "IP", ""), "10.0.0.2");
    EXPECT_EQ(m_ini.ReadInt("Device", "VCOM", 0), 1);
    ASSERT_TRUE(m_ini.WriteInt("Device", "VCOM", 0));
    EXPECT_EQ(FileText(), "[Device]\r\nIP=10.0.0.2\r\nVCOM=0\r\n");
}

TEST_F(IniFileTest, IntegerValuesTakeOnlyTheLeadingNumber)
{
    WriteFileBytes(Ini(),
                   "[Device]\nLetters=abc\nSigned= -12mm\nPlus=+7\nEmpty=\nBig=99999999999\n"
                   "Small=-99999999999\nSpaceInside=- 5\n");
    EXPECT_EQ(m_ini.ReadInt("Device", "Letters", 5), 0);
    EXPECT_EQ(m_ini.ReadInt("Device", "Signed", 5), -12);
    EXPECT_EQ(m_ini.ReadInt("Device", "Plus", 5), 7);
    EXPECT_EQ(m_ini.ReadInt("Device", "Empty", 5), 0);
    EXPECT_EQ(m_ini.ReadInt("Device", "Big", 5), 2147483647);
    EXPECT_EQ(m_ini.ReadInt("Device", "Small", 5), -2147483647 - 1);
    EXPECT_EQ(m_ini.ReadInt("Device", "SpaceInside", 5), 0);
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyWinForReadsAndWrites)
{
    WriteFileBytes(Ini(), "[Offset]\nCutOrder=1\nCutOrder=2\n[Offset]\nCutOrder=3\nOverCut=2.5\n");
    EXPECT_EQ(m_ini.ReadInt("Offset", "CutOrder", 0), 1);
    EXPECT_EQ(m_ini.ReadString("Offset", "OverCut", "1.0"), "1.0");   // only in the second one
    ASSERT_TRUE(m_ini.WriteInt("Offset", "CutOrder", 0));
    ASSERT_TRUE(m_ini.WriteString("Offset", "OverCut", "0.5"));
    EXPECT_EQ(FileText(),
              "[Offset]\r\nCutOrder=0\r\nCutOrder=2\r\nOverCut=0.5\r\n"
              "[Offset]\r\nCutOrder=3\r\nOverCut=2.5\r\n");
}

TEST_F(IniFileTest, NewKeysGoToTheEndOfTheirSection)
{
    WriteFileBytes(Ini(), "; settings\n[Device]\nPort=1\n\n[Offset]\nChkOverCut=1\n");
    m_ini.ReadInt("Device", "Port", 0);
    ASSERT_TRUE(m_ini.WriteString("Device", "PortS", "USB_0"));
    ASSERT_TRUE(m_ini.WriteString("Offset", "OverCut", "1.5"));
    ASSERT_TRUE(m_ini.WriteString("Extra", "Key", "v"));
    EXPECT_EQ(FileText(),
              "; settings\r\n[Device]\r\nPort=1\r\n\r\nPortS=USB_0\r\n[Offset]\r\nChkOverCut=1\r\n"
              "OverCut=1.5\r\n[Extra]\r\nKey=v\r\n");
    EXPECT_EQ(m_ini.ReadString("Device", "PortS", ""), "USB_0");
    EXPECT_EQ(m_ini.ReadString("Extra", "Key", ""), "v");
}

TEST_F(IniFileTest, HeaderOnTheLastLineTakesTheNewEntry)
{
    WriteFileBytes(Ini(), "[Device]\nPort=1\n[Offset]");
    ASSERT_TRUE(m_ini.WriteInt("Offset", "CutOrder", 1));
    EXPECT_EQ(FileText(), "[Device]\r\nPort=1\r\n[Offset]\r\nCutOrder=1\r\n");
    EXPECT_EQ(m_ini.ReadInt("Offset", "CutOrder", 0), 1);
}

TEST_F(IniFileTest, MalformedLinesStayAndNeverMatch)
{
    const std::string original =
        "Port=9\n[Device\nPort=8\n[Device]\njunk line\n=5\nPort\n[Offset]x\nCutOrder=1\n";
    WriteFileBytes(Ini(), original);
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 0), 0);   // before any section, or in an unnamed one
    EXPECT_EQ(m_ini.ReadInt("Offset", "CutOrder", 0), 1);
    ASSERT_TRUE(m_ini.WriteInt("Device", "Port", 2));
    EXPECT_EQ(FileText(),
              "Port=9\r\n[Device\r\nPort=8\r\n[Device]\r\njunk line\r\n=5\r\nPort\r\nPort=2\r\n"
              "[Offset]x\r\nCutOrder=1\r\n");
}

TEST_F(IniFileTest, WriteWorksOnTheLinesOfTheLastRead)
{
    WriteFileBytes(Ini(), "[Device]\nPort=1\n");
    m_ini.ReadInt("Device", "Port", 0);
    WriteFileBytes(Ini(), "[Device]\nPort=1\nIP=10.1.1.1\n");   // another program's change
    ASSERT_TRUE(m_ini.WriteInt("Device", "VCOM", 1));
    EXPECT_EQ(FileText(), "[Device]\r\nPort=1\r\nVCOM=1\r\n");
}

TEST_F(IniFileTest, WriteBeforeAnyReadKeepsTheFileContent)
{
    WriteFileBytes(Ini(), "[Device]\nPort=1\n");
    ASSERT_TRUE(m_ini.WriteInt("Offset", "CutOrder", 1));
    EXPECT_EQ(FileText(), "[Device]\r\nPort=1\r\n[Offset]\r\nCutOrder=1\r\n");
}

TEST_F(IniFileTest, LineBreaksInsideAValueCannotAddLines)
{
    m_ini.ReadString("Device", "PortS", "");
    ASSERT_TRUE(m_ini.WriteString("Device", "PortS", "COM3\r\n[Offset]\nBladeOffset=9"));
    EXPECT_EQ(m_ini.ReadString("Device", "PortS", ""), "COM3  [Offset] BladeOffset=9");
    EXPECT_EQ(m_ini.ReadString("Offset", "BladeOffset", "0.35"), "0.35");
}

TEST_F(IniFileTest, WritesReplaceTheFileWithoutLeavingTemporaryFiles)
{
    WriteFileBytes(Ini(), "[Device]\nPort=1\n");
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(m_ini.WriteInt("Device", "Port", i));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Kerfmax.ini"});
    EXPECT_EQ(FileText(), "[Device]\r\nPort=4\r\n");
}

TEST_F(IniFileTest, MissingFolderGivesDefaultsAndOneReport)
{
    CIniFile ini(m_dir / "absent" / "Kerfmax.ini", &m_notes);
    EXPECT_EQ(ini.ReadString("Offset", "BladeOffset", "0.35"), "0.35");
    EXPECT_EQ(ini.ReadInt("Offset", "ChkBladeOffset", 1), 1);
    EXPECT_FALSE(ini.WriteInt("Offset", "CutOrder", 1));
    EXPECT_FALSE(ini.WriteString("Device", "PortS", "COM1"));
    EXPECT_EQ(m_notes.count, 1);
    EXPECT_NE(m_notes.messages.find((m_dir / "absent" / "Kerfmax.ini").string()), std::string::npos);
    EXPECT_NE(m_notes.messages.find("No such file or directory"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "absent"));
}

TEST_F(IniFileTest, PathThatIsAFolderIsNeitherReadNorReplaced)
{
    std::filesystem::create_directory(Ini());
    WriteFileBytes(Ini() / "inside", "keep");
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 6), 6);
    EXPECT_FALSE(m_ini.WriteInt("Device", "Port", 1));
    EXPECT_EQ(m_notes.count, 1);
    EXPECT_EQ(ReadFileBytes(Ini() / "inside"), "keep");
}

TEST_F(IniFileTest, ReadOnlyFileIsReadButNotReplaced)
{
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
    WriteFileBytes(Ini(), "[Device]\nPort=1\n");
    std::filesystem::permissions(Ini(), std::filesystem::perms::owner_read);
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 0), 1);
    EXPECT_FALSE(m_ini.WriteInt("Device", "Port", 2));
    EXPECT_EQ(FileText(), "[Device]\nPort=1\n");
    EXPECT_EQ(m_notes.count, 1);
}

TEST_F(IniFileTest, FailureReportsAgainAfterThePathChanges)
{
    m_ini.SetPath(m_dir / "absent" / "a.ini");
    m_ini.ReadInt("Device", "Port", 0);
    m_ini.SetPath(m_dir / "absent" / "b.ini");
    m_ini.ReadInt("Device", "Port", 0);
    EXPECT_EQ(m_notes.count, 2);
    m_ini.SetPath(Ini());
    EXPECT_TRUE(m_ini.WriteInt("Device", "Port", 3));
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 0), 3);
}

}  // namespace
}  // namespace kerfmax
