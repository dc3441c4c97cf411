#include "support/TestCalls.h"
#include <optional>

#include "InstallFixture.h"
#include "package/CompressionLibrary.h"
#include "package/PackageEntry.h"

namespace {

// The test run maps a 1 MiB tmpfs as this drive (tests/support/small-drive.sh).
const std::string SMALL_DRIVE = "Q:\\";
const DWORD MORE_THAN_THE_DRIVE = 3 * 1024 * 1024 / 2;

// Scratch files go to the small drive; the installation stays on the ordinary one.
class DiskFull : public InstallFixture {
protected:
    void SetUp() override {
        if (::GetFileAttributesA((SMALL_DRIVE + "small-drive.txt").c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "no small drive " << SMALL_DRIVE
                         << ": mounting a tmpfs was not permitted (needs root), so a full disk cannot be made";
        }
        m_small.emplace(SMALL_DRIVE);
    }
    void TearDown() override { m_small.reset(); }
    size_t SmallDriveScratchFiles() const { return ListFiles(m_small->Temp(), "JVR*.tmp").size(); }

    std::optional<CScratchFolder> m_small;
};

}  // namespace

// An installation on a drive that fills up while a member is inflated.
TEST_F(DiskFull, AFullDiskWhileInflatingFailsTheEntryAndTheRunRestores) {
    const std::string install = m_small->Path() + "Quorindo\\";
    ASSERT_TRUE(::CreateDirectoryA(install.c_str(), nullptr));
    WriteFileText(install + "a.dll", "old a");
    TEST_ENTRY big;
    big.strPath = ".\\big.dat";
    big.data = GzipBytes(IncompressibleContent(1, MORE_THAN_THE_DRIVE));
    Load(CPackageWriter().AddFile(".\\a.dll", "new a").Add(big));
    m_items = std::make_unique<CInstallPasses>(TestCalls(), m_package, m_sink, m_table, install);
    ASSERT_EQ(RunPasses(), PASSES_INSTALL_FAILED);
    EXPECT_EQ(m_sink.lines.at(3).text, "        Abort - Decompress to file " + install + "big.dat failed!");
    EXPECT_EQ(ReadFileText(install + "a.dll"), "old a");
    EXPECT_EQ(::GetFileAttributesA((install + "big.dat").c_str()), INVALID_FILE_ATTRIBUTES);
    EndRun();
    EXPECT_EQ(SmallDriveScratchFiles(), 0u);
}

TEST_F(DiskFull, ShortWritesOfTheLibraryOperationsAreFailures) {
    const std::string text = IncompressibleContent(2, MORE_THAN_THE_DRIVE);
    const std::string source = m_scratch.Path() + "source.bin";
    WriteFileText(source, text);
    CCompressionLibrary library(TestCalls());
    ASSERT_TRUE(library.Load(nullptr, m_scratch.Path()));

    std::string rate = "unchanged";
    EXPECT_FALSE(library.CompressFile(source, m_small->Path() + "out.gz", rate));
    EXPECT_EQ(rate, "unchanged");
    ::DeleteFileA((m_small->Path() + "out.gz").c_str());
    EXPECT_NE(CPackageEntry::WriteTempFile(reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()),
                                           m_small->Path() + "temp.bin"),
              "");
}
