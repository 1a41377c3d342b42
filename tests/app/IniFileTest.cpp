#include "app/IniFile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "app/JobSettings.h"
#include "platform/Notifier.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class IniFileTest : public ::testing::Test {
protected:
    std::filesystem::path Ini() const { return m_dir / "Kerfmax.ini"; }
    std::string FileText() const { return ReadFileBytes(Ini()); }

    test::TempDir m_dir;
    RecordingNotifier m_notes;
    CIniFile m_ini{Ini(), &m_notes};
};

TEST_F(IniFileTest, ReadsFindTheFirstTrimmedExactMatchAndIntegersTakeOnlyTheLeadingNumber)
{
    WriteFileBytes(Ini(),
                   "Port=9\n[device]\nPort=1\n[  Device  ]\n  Port \t=  3  \nPort=5\n[Device]\nIP=x\n"
                   "[D]\nA=abc\nB= -12mm\nC=+7\nE=\nF=99999999999\nG=-99999999999\nH=- 5\njunk\n=5\n[Offset]x\nI=1");
    // Names are exact; "IP" is only in the second "Device"; text after a
    // section's bracket does not matter.
    // clang-format off
    const std::tuple<const char*, const char*, int> cases[] = {
        {"Device", "Port", 3}, {"device", "Port", 1}, {"Device", "port", -1}, {"Device", "IP", -1},
        {"Offset", "I", 1}, {"D", "A", 0}, {"D", "B", -12}, {"D", "C", 7}, {"D", "E", 0},
        {"D", "F", 2147483647}, {"D", "G", -2147483647 - 1}, {"D", "H", 0}};
    // clang-format on
    for (auto [section, key, value] : cases) EXPECT_EQ(m_ini.ReadInt(section, key, -1), value) << section << key;
    EXPECT_EQ(m_ini.ReadString("Device", "IP", "none"), "none");
}

// Every write reads the file afresh (one CIniFile serves all cases, so
// another program's change is kept), keeps the other lines as they were,
// malformed ones too, puts a new key at the end of its section or a new
// section at the end, and ends every line with CR LF.
TEST_F(IniFileTest, WritesChangeOnlyTheirEntryAndLeaveNoOtherFile)
{
    struct Case {
        std::string before;
        std::vector<IniEntry> writes;
        std::string after;
    };
    const Case cases[] = {
        {"Port=9\n[device]\nPort=1\n[  Device  ]\n  Port \t=  3  \nPort=5\n[Device]\nIP=x\n",
         {{"Device", "Port", "4"}, {"Device", "IP", "10.0.0.1"}},
         "Port=9\r\n[device]\r\nPort=1\r\n[  Device  ]\r\nPort=4\r\nPort=5\r\nIP=10.0.0.1\r\n[Device]\r\nIP=x\r\n"},
        {"[Device]\nIP=10.0.0.2\r\nVCOM=1", {{"Device", "VCOM", "0"}}, "[Device]\r\nIP=10.0.0.2\r\nVCOM=0\r\n"},
        {"[Device]\nPort=1\n\n[Offset]\nChkOverCut=1\n[Last]",
         {{"Device", "PortS", "USB_0"}, {"Last", "CutOrder", "1"}, {"Extra", "Key", "v"}},
         "[Device]\r\nPort=1\r\n\r\nPortS=USB_0\r\n[Offset]\r\nChkOverCut=1\r\n"
         "[Last]\r\nCutOrder=1\r\n[Extra]\r\nKey=v\r\n"},
        {"[Device\nPort=8\n[Device]\njunk\n=5\nPort\n[Offset]x\nCutOrder=1\n",
         {{"Device", "Port", "2"}},
         "[Device\r\nPort=8\r\n[Device]\r\njunk\r\n=5\r\nPort\r\nPort=2\r\n[Offset]x\r\nCutOrder=1\r\n"},
        // A value cannot add lines.
        {"",
         {{"Device", "PortS", "COM3\r\n[Offset]\nBladeOffset=9"}},
         "[Device]\r\nPortS=COM3  [Offset] BladeOffset=9\r\n"}};
    for (const Case& c : cases) {
        WriteFileBytes(Ini(), c.before);
        for (const IniEntry& write : c.writes) ASSERT_TRUE(m_ini.WriteString(write.section, write.key, write.value));
        EXPECT_EQ(FileText(), c.after);
        auto entries = std::filesystem::directory_iterator(m_dir.Path());
        EXPECT_EQ(std::distance(begin(entries), end(entries)), 1) << "no temporary file left";
    }
    EXPECT_EQ(m_ini.ReadString("Offset", "BladeOffset", "0.35"), "0.35");
}

// Two programs save at the same moment, each from what it read at its start,
// as two sends of the window and kerfmax-cli do: neither loses the other's key.
TEST_F(IniFileTest, ConcurrentSavesOfTwoProcessesLoseNoKey)
{
    for (int pair = 0; pair < 20; ++pair) {
        WriteFileBytes(Ini(), "[Device]\r\nLangage=1\r\n");
        int barrier[2];
        ASSERT_EQ(::pipe(barrier), 0);
        JobSettings network;
        network.networkAddress = "10.0.0." + std::to_string(pair + 1);
        pid_t children[2];
        for (int child = 0; child < 2; ++child) {
            if ((children[child] = ::fork()) != 0) continue;
            ::close(barrier[1]);
            CIniFile ini(Ini(), &m_notes);
            ini.ReadInt("Device", "Langage", 0);  // the read at the start of the program
            char go;
            const bool released = ::read(barrier[0], &go, 1) == 0;  // both start when the pipe closes
            if (child == 0) SaveSettings(ini, network, true);
            else SaveSettings(ini, JobSettings{.portText = "ttyS0"}, false);
            ::_exit(released && (child == 0 || ini.WriteInt("Offset", "CutOrder", 1)) ? 0 : 1);
        }
        ::close(barrier[0]);
        ::close(barrier[1]);
        for (pid_t child : children) {
            int status = -1;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_EQ(status, 0);
        }
        EXPECT_EQ(m_ini.ReadString("Device", "IP", "lost"), network.networkAddress) << "pair " << pair;
        EXPECT_EQ(m_ini.ReadInt("Offset", "CutOrder", -1), 1) << "pair " << pair;
        EXPECT_EQ(m_ini.ReadInt("Device", "Langage", -1), 1) << "pair " << pair;
        EXPECT_EQ(m_ini.Lines().size(), 12u) << FileText();  // two headers, ten keys, none twice
    }
}

TEST_F(IniFileTest, MissingFileGivesDefaultsAndUnusablePathsOneReportEach)
{
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", -3), -3);
    EXPECT_EQ(FileText(), "");
    EXPECT_EQ(m_notes.count, 0);

    const auto absent = m_dir / "absent" / "Kerfmax.ini";
    m_ini.SetPath(absent);
    EXPECT_EQ(m_ini.ReadString("Offset", "BladeOffset", "0.35"), "0.35");
    EXPECT_FALSE(m_ini.WriteInt("Offset", "CutOrder", 1));
    EXPECT_EQ(m_ini.ReadInt("Offset", "ChkBladeOffset", 1), 1);
    EXPECT_EQ(m_notes.count, 1);
    EXPECT_NE(m_notes.messages.find(absent.string() + ": No such file"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(absent.parent_path()));

    std::filesystem::remove(Ini());
    std::filesystem::create_directory(Ini());  // a folder where the file should be
    m_ini.SetPath(Ini());
    EXPECT_EQ(m_ini.ReadInt("Device", "Port", 6), 6);
    EXPECT_FALSE(m_ini.WriteInt("Device", "Port", 1));
    EXPECT_EQ(m_notes.count, 2);
    EXPECT_TRUE(std::filesystem::is_directory(Ini()));
}

}  // namespace
}  // namespace kerfmax
