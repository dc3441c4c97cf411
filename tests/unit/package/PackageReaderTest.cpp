#include <gtest/gtest.h>
#include <windows.h>

#include "package/PackageEntryReader.h"
#include "package/UpgradePackage.h"
#include "support/TestCalls.h"
#include "support/PackageWriter.h"
#include "util/FileHelpers.h"
#include "util/PathTokens.h"

namespace {

const std::string INSTALL = "C:\\Program Files\\Quorindo\\";

struct ReadResult {
    std::string error;
    DWORD cursor;
    STORED_ENTRY fields;
};

// Reads the first entry of a package the way a pass does: from offset 4.
ReadResult ReadFirst(const std::vector<BYTE>& package, const ENTRY_READ_OPTIONS& options,
                     const std::string& install = INSTALL) {
    ReadResult result;
    result.cursor = PACKAGE_FIRST_ENTRY;
    result.error = ReadPackageEntry(package.data(), static_cast<DWORD>(package.size()), result.cursor, install,
                                    options, result.fields);
    return result;
}

std::vector<BYTE> OneEntry(const std::string& path, DWORD high, DWORD low, std::vector<BYTE> data) {
    TEST_ENTRY entry;
    entry.strPath = path;
    entry.dwTimeHigh = high;
    entry.dwTimeLow = low;
    entry.data = std::move(data);
    return CPackageWriter().Add(entry).Bytes();
}

std::vector<BYTE> Cut(std::vector<BYTE> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

}  // namespace

TEST(PackageReader, ReadsEveryFieldWithTheHighTimeHalfFirst) {
    const auto package = OneEntry(".\\ax\\Filter.ax", 0x01D2A3B4, 0x5566AA77, {1, 2, 3, 4, 5});
    for (const auto& options : {BACKUP_READ, INSTALL_READ}) {
        const ReadResult r = ReadFirst(package, options, "Z:\\nowhere\\");
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.cursor, package.size());
        EXPECT_EQ(r.fields.strRelativePath, ".\\ax\\Filter.ax");
        EXPECT_EQ(r.fields.strDestPath, "Z:\\nowhere\\ax\\Filter.ax");
        EXPECT_EQ(r.fields.dwCompressedLength, 5u);
        EXPECT_EQ(r.fields.ftLastWrite.dwHighDateTime, 0x01D2A3B4u);
        EXPECT_EQ(r.fields.ftLastWrite.dwLowDateTime, 0x5566AA77u);
        ASSERT_NE(r.fields.pCompressedData, nullptr);
        EXPECT_EQ(r.fields.pCompressedData[4], 5);
    }
}

TEST(PackageReader, EmptyDataAndTrailingBytesAreAccepted) {
    std::vector<BYTE> package = OneEntry("<Temp>\\CMD List.ini", 0, 7, {});
    const size_t wellFormed = package.size();
    package.insert(package.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x01});
    const ReadResult r = ReadFirst(package, INSTALL_READ);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.cursor, wellFormed);
    EXPECT_EQ(r.fields.dwCompressedLength, 0u);
    EXPECT_EQ(r.fields.strDestPath, GetTempFolder() + "CMD List.ini");
}

TEST(PackageReader, TextOfTheFirstFieldThatDoesNotFit) {
    const BYTE* none = nullptr;
    DWORD cursor = 4;
    STORED_ENTRY fields;
    EXPECT_EQ(ReadPackageEntry(none, 100, cursor, INSTALL, INSTALL_READ, fields),
              "The pointer for source buffer is NULL");

    const auto package = OneEntry(".\\Panel\\Skin.dll", 1, 2, {9, 9, 9});
    const size_t nameStart = 8, timeStart = nameStart + 16, lengthStart = timeStart + 8, dataStart = lengthStart + 4;
    ASSERT_EQ(dataStart + 3, package.size());

    EXPECT_EQ(ReadFirst(Cut(package, 7), INSTALL_READ).error, "The length for target file name is invalidation");
    EXPECT_EQ(ReadFirst(Cut(package, nameStart + 15), INSTALL_READ).error,
              "The target file name is blank or source buffer is invalidation");
    EXPECT_EQ(ReadFirst(Cut(package, timeStart + 7), INSTALL_READ).error,
              "The last modify time for Skin.dll is invalidation");
    EXPECT_EQ(ReadFirst(Cut(package, lengthStart + 3), INSTALL_READ).error,
              "The length for compressed data(Skin.dll) is invalidation");
    EXPECT_EQ(ReadFirst(Cut(package, lengthStart + 3), BACKUP_READ, "Z:\\nowhere\\").error,
              "The length for compressed data(Skin.dll), is invalidation");
    EXPECT_EQ(ReadFirst(Cut(package, dataStart + 2), INSTALL_READ).error, "The compressed data is invalidation");

    // The cursor stands after the fields already read.
    EXPECT_EQ(ReadFirst(Cut(package, lengthStart + 3), INSTALL_READ).cursor, lengthStart);
    EXPECT_EQ(ReadFirst(Cut(package, dataStart + 2), INSTALL_READ).cursor, dataStart);
}

TEST(PackageReader, BlankAndNulNames) {
    std::vector<BYTE> blank;
    AppendDword(blank, 1);
    AppendDword(blank, 0);
    blank.resize(64, 0);
    EXPECT_EQ(ReadFirst(blank, INSTALL_READ).error, "The target file name is blank or source buffer is invalidation");

    EXPECT_EQ(ReadFirst(OneEntry(std::string("\0abc", 4), 0, 0, {}), INSTALL_READ).error,
              "The relative path '' is invalidation");

    const ReadResult shortened = ReadFirst(OneEntry(std::string(".\\ab\0cd", 7), 0, 0, {}), INSTALL_READ);
    EXPECT_EQ(shortened.error, "");
    EXPECT_EQ(shortened.fields.strRelativePath, ".\\ab");
    EXPECT_EQ(shortened.cursor, 4u + 4 + 7 + 12);
}

// Reading changes nothing: the backup pass makes the folders of what it read.
TEST(PackageReader, ReadingMakesNoFolder) {
    const std::string install = GetTempFolder() + "qu-reader-" + std::to_string(GetCurrentProcessId()) + "\\";
    const auto package = OneEntry(".\\deep\\er\\file.bin", 1, 1, {1});
    const size_t timeStart = 8 + 18;
    for (const ENTRY_READ_OPTIONS& options : {BACKUP_READ, INSTALL_READ}) {
        const ReadResult cut = ReadFirst(Cut(package, timeStart), options, install);
        EXPECT_EQ(cut.error, "The last modify time for file.bin is invalidation");
        EXPECT_EQ(cut.fields.strDestPath, install + "deep\\er\\file.bin");
        EXPECT_FALSE(FolderExists(TestCalls(), install));
    }
}

TEST(PackageReader, AnnouncedEntriesBeyondTheDataFailAtTheEnd) {
    CPackageWriter writer;
    writer.AddFile(".\\a.dll", "first").AddFile(".\\b.dll", "second");
    const auto package = writer.Bytes(3);
    DWORD cursor = PACKAGE_FIRST_ENTRY;
    STORED_ENTRY fields;
    const DWORD size = static_cast<DWORD>(package.size());
    EXPECT_EQ(ReadPackageEntry(package.data(), size, cursor, INSTALL, INSTALL_READ, fields), "");
    EXPECT_EQ(ReadPackageEntry(package.data(), size, cursor, INSTALL, INSTALL_READ, fields), "");
    EXPECT_EQ(ReadPackageEntry(package.data(), size, cursor, INSTALL, INSTALL_READ, fields),
              "The length for target file name is invalidation");
    EXPECT_EQ(cursor, size);
}

TEST(PackageLoader, CopiesResource130OfTheModule) {
    CUpgradePackage package(std::vector<BYTE>(3));  // an earlier package is replaced
    ASSERT_EQ(LoadPackage(TestCalls(), package), "");
    ASSERT_EQ(package.GetSize(), 8u);
    EXPECT_EQ(package.GetEntryCount(), 0u);
    EXPECT_EQ(ReadPackageDword(package.GetData() + 4), 0x0BADF00Du);
}

TEST(PackageLoader, ModuleWithoutAPackage) {
    CUpgradePackage package;
    EXPECT_EQ(LoadPackage(TestCalls(), package, "", GetModuleHandleA("kernel32.dll")), "Can not found upgrade package!");
    EXPECT_EQ(package.GetSize(), 0u);
    EXPECT_EQ(package.GetEntryCount(), 0u);
}
