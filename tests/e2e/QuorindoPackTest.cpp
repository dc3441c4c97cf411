// QuorindoPack.exe and the builder's "Compress Data..." run as programs of their own: what they
// print, their exit statuses, and the package bytes, read back with the tests' own zlib.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ConsoleRun.h"
#include "support/PackageWriter.h"
#include "support/ScratchFolder.h"
#include "support/TestGzip.h"
#include "robot/WindowRobot.h"

namespace {

const char BUILDER_TITLE[] = "Upgrade Quorindo to Version 0.0.6.7 - Is Create Version";
const int LIST_ID = 1000;
const int COMPRESS_DATA_POSITION = 0;  // the only item of the dialog's own menu

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Gunzip(const std::string& gzip) {
    std::string content;
    EXPECT_TRUE(GunzipBytes(std::vector<BYTE>(gzip.begin(), gzip.end()), content));
    return content;
}

// Text that deflates to a few kilobytes: a damaged byte lands well inside the stream.
std::string SampleText(int seed) {
    std::string text;
    unsigned value = static_cast<unsigned>(seed) * 2654435761u + 1;
    for (int i = 0; i < 6000; ++i) {
        value = value * 1103515245u + 12345u;
        text += static_cast<char>('a' + (value >> 16) % 26);
        if (i % 61 == 60) text += "\r\n";
    }
    return text;
}

class QuorindoPackTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strPack = GetBuildFile("tools/pack/QuorindoPack.exe");
        ASSERT_NE(::GetFileAttributesA(m_strPack.c_str()), INVALID_FILE_ATTRIBUTES) << m_strPack;
        m_strList = m_scratch.Path() + "UpgradeSet.ini";
        m_strOutput = m_scratch.Path() + "CompressData.dat";
    }

    int Pack(const std::string& arguments) { return RunConsoleProgram(m_strPack, arguments, &m_strPrinted); }

    // A list file naming the sources, each with its stored path.
    void WriteList(const std::vector<std::pair<std::string, std::string>>& sources) {
        std::string text = "[Install Source]\r\nsource count=" + std::to_string(sources.size()) + "\r\n";
        for (size_t i = 0; i < sources.size(); ++i)
            text += "[Source " + std::to_string(i + 1) + "]\r\nSource Path=" + sources[i].first +
                    "\r\nDest Relative Path=" + sources[i].second + "\r\n";
        WriteFileText(m_strList, text);
    }

    // Two sources, one of them with a known time; builds them into the output.
    void BuildTwo() {
        WriteFileText(m_scratch.Path() + "first.txt", SampleText(1));
        WriteFileText(m_scratch.Path() + "second.dll", SampleText(2));
        SetLastWriteTime(m_scratch.Path() + "first.txt", MakeFileTime(0x01DB1234, 0x89ABCDEF));
        WriteList({{m_scratch.Path() + "first.txt", ".\\first.txt"},
                   {m_scratch.Path() + "second.dll", "<System>\\Sub\\second.dll"}});
        ASSERT_EQ(Pack("build \"" + m_strList + "\" \"" + m_strOutput + "\""), 0) << m_strPrinted;
    }

    bool Printed(const std::string& line) const { return m_strPrinted.find(line + "\r\n") != std::string::npos; }

    CScratchFolder m_scratch;
    std::string m_strPack, m_strList, m_strOutput, m_strPrinted;
};

// A list that is missing or names nothing would give a package that installs nothing and reports
// success on every machine: build refuses it and leaves no package, verify fails an empty one.
TEST_F(QuorindoPackTest, NothingToPackIsRefusedAndAnEmptyPackageFailsVerify) {
    const std::string elsewhere = m_scratch.Path() + "Elsewhere\\";
    ASSERT_TRUE(::CreateDirectoryA(elsewhere.c_str(), nullptr));
    const struct {
        const char* list;  // empty: none
        std::string arguments, folder, line;
    } cases[] = {
        {"", "build", elsewhere, "Read file " + elsewhere + "UpgradeSet.ini failed because of fileNotFound!"},
        {"[Install Source]\r\n", "build UpgradeSet.ini", m_scratch.Path(),
         "File " + m_strList + " has no source count in [Install Source]!"},
        {"[Install Source]\r\nsource count=0\r\n", "build", m_scratch.Path(),
         "File " + m_strList + " lists no source to compress!"},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.line);
        if (*refused.list) WriteFileText(m_strList, refused.list);
        EXPECT_EQ(RunConsoleProgram(m_strPack, refused.arguments, &m_strPrinted, refused.folder), 1);
        EXPECT_TRUE(Printed("        " + refused.line)) << m_strPrinted;
        EXPECT_FALSE(PathExists(refused.folder + "CompressData.dat"));
    }
    WriteBytes(m_strOutput, std::string(4, '\0'));
    EXPECT_EQ(Pack("verify \"" + m_strOutput + "\""), 3);
    EXPECT_TRUE(Printed("The package holds no entry: it would install nothing")) << m_strPrinted;

    // With no arguments, the list in the current folder is packed beside it.
    WriteFileText(m_scratch.Path() + "first.txt", SampleText(1));
    WriteList({{m_scratch.Path() + "first.txt", ".\\first.txt"}});
    ASSERT_EQ(RunConsoleProgram(m_strPack, "build", &m_strPrinted, m_scratch.Path()), 0) << m_strPrinted;
    EXPECT_TRUE(Printed("        Combine compressed files to " + m_strOutput + " completely!")) << m_strPrinted;
    EXPECT_EQ(ParsePackage(ReadFileBytes(m_strOutput)).size(), 1u);
}

TEST_F(QuorindoPackTest, TwoSourcesReadBackWithTheirPathsTimesAndContents) {
    BuildTwo();
    EXPECT_NE(m_strPrinted.find("        Compressed file first.txt(Rate : "), std::string::npos) << m_strPrinted;
    EXPECT_NE(m_strPrinted.find("        Compressed file second.dll(Rate : "), std::string::npos);
    const std::string package = ReadFileBytes(m_strOutput);
    const std::vector<PACKED_ENTRY> entries = ParsePackage(package);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, ".\\first.txt");
    EXPECT_EQ(entries[0].high, 0x01DB1234u);  // high half first
    EXPECT_EQ(entries[0].low, 0x89ABCDEFu);
    EXPECT_EQ(Gunzip(entries[0].data), SampleText(1));
    EXPECT_EQ(entries[1].path, "<System>\\Sub\\second.dll");
    EXPECT_NE(entries[1].high, 0u);
    EXPECT_EQ(Gunzip(entries[1].data), SampleText(2));
    // The gzip header carries no time stamp (its last byte names the system, zlib's own choice):
    // the same sources give the same bytes.
    EXPECT_EQ(entries[0].data.substr(0, 9), std::string("\x1F\x8B\x08\0\0\0\0\0\0", 9));
    ASSERT_EQ(Pack("build \"" + m_strList + "\" \"" + m_strOutput + "\""), 0);
    EXPECT_EQ(ReadFileBytes(m_strOutput), package);

    EXPECT_EQ(Pack("list \"" + m_strOutput + "\""), 0);
    EXPECT_NE(m_strPrinted.find(".\\first.txt"), std::string::npos) << m_strPrinted;
    EXPECT_NE(m_strPrinted.find("<System>\\Sub\\second.dll"), std::string::npos);
    const size_t packed = 32 + entries[0].path.size() + entries[0].data.size() + entries[1].path.size() +
                          entries[1].data.size();
    EXPECT_TRUE(Printed("2 entries, " + std::to_string(entries[0].data.size() + entries[1].data.size()) +
                        " bytes compressed, " + std::to_string(packed) + " bytes packed, package " +
                        std::to_string(package.size()) + " bytes"))
        << m_strPrinted;
    EXPECT_EQ(Pack("verify \"" + m_strOutput + "\""), 0);
    EXPECT_TRUE(Printed("2 entries, all well")) << m_strPrinted;
}

TEST_F(QuorindoPackTest, VerifyCatchesAFlippedByteAndATruncatedPackage) {
    BuildTwo();
    const std::string package = ReadFileBytes(m_strOutput);
    const std::vector<PACKED_ENTRY> entries = ParsePackage(package);
    ASSERT_EQ(entries.size(), 2u);

    std::string flipped = package;
    flipped[entries[0].dataOffset + entries[0].data.size() / 2] ^= 0x10;
    WriteBytes(m_strOutput, flipped);
    EXPECT_EQ(Pack("verify \"" + m_strOutput + "\""), 1);
    EXPECT_TRUE(Printed("Entry 1: The compressed data of .\\first.txt is damaged")) << m_strPrinted;
    EXPECT_FALSE(Printed("2 entries, all well"));

    std::string climbing = package;
    climbing.replace(8, 11, ".\\..\\st.txt");  // as long as the path it replaces
    WriteBytes(m_strOutput, climbing);
    EXPECT_EQ(Pack("verify \"" + m_strOutput + "\""), 1);
    EXPECT_TRUE(Printed("Entry 1: The path .\\..\\st.txt is outside the folders a package may write to")) << m_strPrinted;

    WriteBytes(m_strOutput, package.substr(0, package.size() - 5));
    EXPECT_EQ(Pack("verify \"" + m_strOutput + "\""), 1);
    EXPECT_TRUE(Printed("Entry 2: The compressed data is invalidation")) << m_strPrinted;
    WriteBytes(m_strOutput, package.substr(0, 3));
    EXPECT_EQ(Pack("verify \"" + m_strOutput + "\""), 1);
    EXPECT_EQ(Pack("list \"" + m_scratch.Path() + "missing.dat\""), 1);
}

TEST_F(QuorindoPackTest, MissingSourceIsLeftOutAndFailsTheBuild) {
    WriteFileText(m_scratch.Path() + "first.txt", SampleText(1));
    const std::string missing = m_scratch.Path() + "missing.txt";
    WriteList({{missing, ".\\missing.txt"}, {m_scratch.Path() + "first.txt", ".\\first.txt"}});
    EXPECT_EQ(Pack("build \"" + m_strList + "\" \"" + m_strOutput + "\""), 1);
    EXPECT_TRUE(Printed("        Compress file " + missing + " failed!")) << m_strPrinted;
    const std::vector<PACKED_ENTRY> entries = ParsePackage(ReadFileBytes(m_strOutput));
    ASSERT_EQ(entries.size(), 1u);  // the count names only what is there
    EXPECT_EQ(entries[0].path, ".\\first.txt");
    EXPECT_EQ(Pack("verify \"" + m_strOutput + "\""), 0);
}

TEST_F(QuorindoPackTest, UsageAndExitStatuses) {
    EXPECT_EQ(Pack("--help"), 0);
    for (const char* command : {"build", "list", "verify"})
        EXPECT_NE(m_strPrinted.find("QuorindoPack " + std::string(command)), std::string::npos) << command;
    EXPECT_EQ(Pack("pack"), 2);
    EXPECT_EQ(Pack("list"), 2);
    EXPECT_EQ(Pack("verify a b"), 2);
}

TEST_F(QuorindoPackTest, BuilderDialogMakesTheSameBytesAsTheConsoleProgram) {
    BuildTwo();
    const std::string fromConsole = ReadFileBytes(m_strOutput);
    // The builder reads UpgradeSet.ini beside itself and writes CompressData.dat there.
    const std::string folder = m_scratch.Path() + "Builder\\";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(::CopyFileA(GetBuildFile("src/app/QuorindoUpgradeBuilder.exe").c_str(),
                            (folder + "QuorindoUpgradeBuilder.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(m_strList.c_str(), (folder + "UpgradeSet.ini").c_str(), FALSE));

    CChildProcess builder;
    ASSERT_TRUE(builder.Start(folder + "QuorindoUpgradeBuilder.exe"));
    HWND dialog = robot::WaitForWindow(BUILDER_TITLE);
    ASSERT_NE(dialog, nullptr);
    const std::string completion = "        Combine compressed files to " + folder + "CompressData.dat completely!";
    // Chooses "Compress Data..." and waits for the completion line, the how-manieth that is.
    const auto compress = [&](size_t completions) {
        robot::RightClick(dialog, 300, 20);
        HWND menu = robot::WaitForProcessWindow(builder.GetId(), "#32768");
        ASSERT_NE(menu, nullptr);
        robot::ChoosePopupMenuItem(menu, COMPRESS_DATA_POSITION);
        HWND box = robot::WaitForProcessWindow(builder.GetId(), "#32770", dialog);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(robot::GetMessageBoxText(box),
                  "Program will compress these files, which list in UpgradeSet.ini, in format \n"
                  "\tLen of Dest Relative path(4 bytes)     +    Dest Relative path + \n"
                  "\tThe last modify time for file(8 bytes) + \n"
                  "\tLen of Compress Data(4 bytes)          +    Compress Data");
        robot::PressButton(box, IDOK);
        EXPECT_TRUE(robot::WaitUntil([&] {
            size_t found = 0;
            for (const robot::ListLine& line : robot::ReadList(::GetDlgItem(dialog, LIST_ID)))
                found += line.text == completion;
            return found == completions;
        }));
    };
    compress(1);
    EXPECT_EQ(ReadFileBytes(folder + "CompressData.dat"), fromConsole);
    // A source count of 0 makes the empty package, as the format has it, where QuorindoPack refuses.
    WriteFileText(folder + "UpgradeSet.ini", "[Install Source]\r\nsource count=0\r\n");
    compress(2);
    EXPECT_EQ(ReadFileBytes(folder + "CompressData.dat"), std::string(4, '\0'));
    robot::PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(robot::WaitForHandle(builder.GetHandle()));
}

}  // namespace
