#include "PackageCommands.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "ConsoleLineSink.h"
#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "package/PackageBuilder.h"
#include "package/PackageEntry.h"
#include "package/PackageEntryReader.h"
#include "util/FileHelpers.h"
#include "package/UpgradePackage.h"
#include "util/FileErrors.h"
#include "util/PathTokens.h"

namespace {

// Stored paths are listed and checked as they stand; nothing is resolved onto this machine.
const char kNoInstallFolder[] = "";

std::string FormatStoredTime(const FILETIME& time) {
    if (time.dwHighDateTime == 0 || time.dwLowDateTime == 0) return "-";
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &st)) return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    return text;
}

// Inflates one entry's data fully; the library checks its CRC and length. Answers an error text.
std::string InflateEntry(const PACKAGE_ENTRY_FIELDS& fields, const std::string& libraryPath) {
    const std::string gzipPath = NewTempFile();
    const std::string outputPath = NewTempFile();
    std::string error;
    if (gzipPath.empty() || outputPath.empty()) {
        error = "No temporary file could be made";
    } else {
        error = CPackageEntry::WriteTempFile(fields.pCompressedData, fields.dwCompressedLength, gzipPath);
        if (error.empty() && DecompressFile(gzipPath, outputPath, libraryPath) != 1)
            error = "The compressed data of " + fields.strRelativePath + " is damaged";
    }
    DeleteScratchFile(gzipPath);
    DeleteScratchFile(outputPath);
    return error;
}

}  // namespace

int RunBuildCommand(const std::string& listFile, const std::string& outputFile) {
    CConsoleLineSink sink;
    return BuildPackageFile(sink, listFile, outputFile).IsComplete() ? PACK_EXIT_OK : PACK_EXIT_FAILED;
}

int RunListCommand(const std::string& packagePath) {
    CUpgradePackage package;
    const std::string error = LoadPackage(package, packagePath);
    if (!error.empty()) {
        std::printf("%s\n", error.c_str());
        return PACK_EXIT_FAILED;
    }
    const DWORD count = package.GetEntryCount();
    CPackageEntryReader reader(package);
    unsigned long long compressed = 0, packed = 0;
    std::printf("%-48s %-19s %12s %12s\n", "Stored path", "Stored time", "Compressed", "Packed");
    for (DWORD i = 0; i < count; ++i) {
        PACKAGE_ENTRY_FIELDS fields;
        const std::string readError = reader.ReadNext(kNoInstallFolder, INSTALL_READ, fields);
        if (!readError.empty()) {
            std::printf("Entry %lu: %s\n", static_cast<unsigned long>(i + 1), readError.c_str());
            return PACK_EXIT_FAILED;
        }
        const unsigned long long entryPacked = 16ull + fields.strRelativePath.size() + fields.dwCompressedLength;
        std::printf("%-48s %-19s %12lu %12llu\n", fields.strRelativePath.c_str(),
                    FormatStoredTime(fields.ftLastWrite).c_str(), static_cast<unsigned long>(fields.dwCompressedLength),
                    entryPacked);
        compressed += fields.dwCompressedLength;
        packed += entryPacked;
    }
    std::printf("%lu entries, %llu bytes compressed, %llu bytes packed, package %lu bytes\n",
                static_cast<unsigned long>(count), compressed, packed, static_cast<unsigned long>(package.GetSize()));
    return PACK_EXIT_OK;
}

int RunVerifyCommand(const std::string& packagePath) {
    CUpgradePackage package;
    std::string error = LoadPackage(package, packagePath);
    if (error.empty() && package.GetSize() < PACKAGE_FIRST_ENTRY) error = "Length for upgrade package is invalidation";
    if (!error.empty()) {
        std::printf("%s\n", error.c_str());
        return PACK_EXIT_FAILED;
    }
    const std::string libraryPath = ExtractCompressionLibrary();
    const DWORD count = package.GetEntryCount();
    CPackageEntryReader reader(package);
    int failures = 0;
    for (DWORD i = 0; i < count; ++i) {
        PACKAGE_ENTRY_FIELDS fields;
        error = reader.ReadNext(kNoInstallFolder, INSTALL_READ, fields);
        if (!error.empty()) {
            std::printf("Entry %lu: %s\n", static_cast<unsigned long>(i + 1), error.c_str());
            ++failures;
            break;  // the entries after it cannot be found
        }
        error = InflateEntry(fields, libraryPath);
        if (!error.empty()) {
            std::printf("Entry %lu: %s\n", static_cast<unsigned long>(i + 1), error.c_str());
            ++failures;
        }
    }
    DeleteScratchFile(libraryPath);
    if (failures != 0) return PACK_EXIT_FAILED;
    // Whole and readable, but it would install nothing and report success on every machine.
    if (count == 0) {
        std::printf("The package holds no entry: it would install nothing\n");
        return PACK_EXIT_EMPTY_PACKAGE;
    }
    std::printf("%lu entries, all well\n", static_cast<unsigned long>(count));
    return PACK_EXIT_OK;
}
