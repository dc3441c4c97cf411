#include <gtest/gtest.h>
#include <windows.h>

#include "framework/File.h"
#include "package/PackageBuilder.h"
#include "package/PackageEntryReader.h"
#include "package/UpgradePackage.h"
#include "support/HostLink.h"
#include "support/RecordingSink.h"
#include "support/ScratchFolder.h"
#include "support/TestGzip.h"
#include "ui/ActionLine.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"

namespace {

class PackageBuilder : public ::testing::Test {
protected:
    std::string List() const { return m_folder.Path() + "UpgradeSet.ini"; }
    std::string Output() const { return m_folder.Path() + "CompressData.dat"; }

    void SetSources(const std::vector<std::pair<std::string, std::string>>& sources) {
        WritePrivateProfileStringA("Install Source", "source count", std::to_string(sources.size()).c_str(),
                                   List().c_str());
        for (size_t i = 0; i < sources.size(); ++i) {
            const std::string section = "Source " + std::to_string(i + 1);
            WritePrivateProfileStringA(section.c_str(), "Source Path", sources[i].first.c_str(), List().c_str());
            WritePrivateProfileStringA(section.c_str(), "Dest Relative Path", sources[i].second.c_str(),
                                       List().c_str());
        }
    }
    std::vector<BYTE> OutputBytes() const {
        const std::string text = ReadFileText(Output());
        return std::vector<BYTE>(text.begin(), text.end());
    }
    bool Build(const BUILD_OPTIONS& options = {}) {
        return BuildPackageFile(m_sink, List(), Output(), options);
    }

    CScratchFolder m_folder;
    CRecordingSink m_sink;
};

}  // namespace

TEST_F(PackageBuilder, TheReaderReadsBackEverySource) {
    const std::string a = m_folder.Path() + "Quorindo.exe", b = m_folder.Path() + "readme.txt";
    WriteFileText(a, std::string(5000, 'q') + "player");
    WriteFileText(b, "");
    SetLastWriteTime(a, MakeFileTime(0x01D70000, 0x12345678));
    SetSources({{a, ".\\Quorindo.exe"}, {b, "<Temp>\\readme.txt"}});
    ASSERT_TRUE(Build());
    EXPECT_EQ(m_sink.lines[1].text.rfind("        Compressed file Quorindo.exe(Rate : ", 0), 0u);
    EXPECT_EQ(m_sink.lines[2].text, "        Compressed file readme.txt(Rate : 0.00%)");

    const std::vector<BYTE> package = OutputBytes();
    ASSERT_EQ(ReadPackageDword(package.data()), 2u);
    DWORD cursor = PACKAGE_FIRST_ENTRY;
    STORED_ENTRY first, second;
    const DWORD size = static_cast<DWORD>(package.size());
    ASSERT_EQ(ReadPackageEntry(package.data(), size, cursor, "C:\\P\\", INSTALL_READ, first), "");
    ASSERT_EQ(ReadPackageEntry(package.data(), size, cursor, "C:\\P\\", INSTALL_READ, second), "");
    EXPECT_EQ(cursor, size);
    EXPECT_EQ(first.strRelativePath, ".\\Quorindo.exe");
    EXPECT_EQ(first.ftLastWrite.dwHighDateTime, 0x01D70000u);
    EXPECT_EQ(first.ftLastWrite.dwLowDateTime, 0x12345678u);
    std::string content;
    ASSERT_TRUE(GunzipBytes(std::vector<BYTE>(first.pCompressedData, first.pCompressedData + first.dwCompressedLength),
                            content));
    EXPECT_EQ(content, std::string(5000, 'q') + "player");
    EXPECT_EQ(second.strRelativePath, "<Temp>\\readme.txt");
    EXPECT_TRUE(ListFiles(m_folder.Temp(), "JVR*.tmp").empty());
}

TEST_F(PackageBuilder, TwoRunsGiveTheSameBytes) {
    const std::string a = m_folder.Path() + "a.dll";
    WriteFileText(a, "same bytes every time");
    SetSources({{a, ".\\a.dll"}});
    ASSERT_TRUE(Build());
    const std::vector<BYTE> first = OutputBytes();
    ASSERT_TRUE(Build());
    EXPECT_EQ(OutputBytes(), first);
}

// A source that cannot be compressed, or whose path no upgrade would write, is left out.
TEST_F(PackageBuilder, ASourceThatCannotBeCompressedIsLeftOutAndCounted) {
    const std::string a = m_folder.Path() + "a.dll";
    WriteFileText(a, "present");
    const std::string missing = m_folder.Path() + "missing.dll";
    SetSources({{missing, ".\\missing.dll"}, {a, ".\\..\\a.dll"}, {a, ".\\a.dll"}});
    EXPECT_FALSE(Build());
    EXPECT_EQ(m_sink.lines[1].nKind, LINE_ABORT);
    EXPECT_EQ(m_sink.lines[1].text, "        Compress file " + missing + " failed!");
    EXPECT_EQ(m_sink.lines[2].nKind, LINE_ABORT);
    EXPECT_EQ(m_sink.lines[2].text, "        The path .\\..\\a.dll is outside the folders a package may write to");
    const std::vector<BYTE> package = OutputBytes();
    EXPECT_EQ(ReadPackageDword(package.data()), 1u);  // the count says what follows
}

TEST_F(PackageBuilder, SourcePathsAreOpenedAsTheyStand) {
    SetCurrentDirectoryA(m_folder.Path().c_str());
    WriteFileText(m_folder.Path() + "rel.dll", "relative");
    SetSources({{".\\rel.dll", ".\\rel.dll"}});
    EXPECT_TRUE(Build());
    SetCurrentDirectoryA("C:\\");
}

// The builder runs elevated: it loads the library as an upgrade run does, from a private work
// folder, only as written and compared. A library swapped before the check fails every source,
// and no package is written.
TEST_F(PackageBuilder, ALibrarySwappedInItsWorkFolderIsNeverUsed) {
    const std::string a = m_folder.Path() + "a.dll";
    WriteFileText(a, "present");
    SetSources({{a, ".\\a.dll"}});
    std::string written;
    BUILD_OPTIONS options;
    options.afterLibraryWritten = [&](const std::string& path) {
        written = path;
        WriteFileText(path, "not the library");
    };
    EXPECT_FALSE(Build(options));
    EXPECT_EQ(written.rfind(GetWindowsFolder() + "Temp\\QuorindoUpgrade-", 0), 0u) << written;
    EXPECT_FALSE(PathExists(GetFolderOf(written)));
    EXPECT_EQ(m_sink.lines.back().text, "        Combine compressed files failed because of no file went into the package!");
    EXPECT_FALSE(PathExists(Output()));
    EXPECT_TRUE(ListFiles(m_folder.Temp(), "JVR*.tmp").empty());
}

TEST_F(PackageBuilder, ALockedOrReadOnlySourceKeepsNoTime) {
    const std::string held = m_folder.Path() + "held.dll", readOnly = m_folder.Path() + "ro.dll";
    WriteFileText(held, "held");
    WriteFileText(readOnly, "read only");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    CFile holder;
    ASSERT_TRUE(holder.Open(held, CFile::modeRead | CFile::shareDenyWrite));
    SetSources({{held, ".\\held.dll"}, {readOnly, ".\\ro.dll"}});
    ASSERT_TRUE(Build());
    const std::vector<BYTE> package = OutputBytes();
    DWORD cursor = PACKAGE_FIRST_ENTRY;
    STORED_ENTRY entry;
    ASSERT_EQ(ReadPackageEntry(package.data(), static_cast<DWORD>(package.size()), cursor, "C:\\", INSTALL_READ, entry),
              "");
    EXPECT_EQ(entry.ftLastWrite.dwHighDateTime, 0u);
    EXPECT_EQ(entry.ftLastWrite.dwLowDateTime, 0u);
    // Wine lets an administrator open a read-only file for writing, so that source may
    // keep its time there; Windows refuses the open and stores none.
}

TEST_F(PackageBuilder, AnOutputThatCannotBeCreatedIsReported) {
    WriteFileText(m_folder.Path() + "a.dll", "a");
    SetSources({{m_folder.Path() + "a.dll", ".\\a.dll"}});
    EXPECT_FALSE(BuildPackageFile(m_sink, List(), m_folder.Path() + "no\\such\\CompressData.dat"));
    EXPECT_EQ(m_sink.lines.back().nKind, LINE_ABORT);
    EXPECT_EQ(m_sink.lines.back().text,
              "        Create file " + m_folder.Path() + "no\\such\\CompressData.dat failed because of badPath!");
}

// The output beside the program is written as a new file and moved into place: one that is a link
// planted there is replaced, never written through, and a build that fails keeps the package that
// was there. A list counting more sources than a package may hold is refused before anything is
// made for them.
TEST_F(PackageBuilder, TheOutputIsReplacedNeverWrittenThroughAndAFailedBuildKeepsTheOldOne) {
    const std::string victim = m_folder.Path() + "victim.dll";
    WriteFileText(victim, "victim");
    ASSERT_TRUE(MakeHostLink(victim, Output()));
    WriteFileText(m_folder.Path() + "a.dll", "a");
    SetSources({{m_folder.Path() + "a.dll", ".\\a.dll"}});
    EXPECT_TRUE(Build());
    EXPECT_EQ(ReadFileText(victim), "victim");
    EXPECT_EQ(ReadPackageDword(OutputBytes().data()), 1u);
    const std::string built = ReadFileText(Output());
    WritePrivateProfileStringA("Install Source", "source count", "2000000000", List().c_str());
    EXPECT_FALSE(Build());
    EXPECT_EQ(m_sink.lines.back().text,
              "        File " + List() + " counts 2000000000 sources, more than a package may hold (10000)!");
    EXPECT_EQ(ReadFileText(Output()), built);
}
