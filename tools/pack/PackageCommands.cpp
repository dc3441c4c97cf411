#include "PackageCommands.h"

#include <windows.h>

#include <cstdio>

#include "ConsoleLineSink.h"
#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "os/WindowsSystemCalls.h"
#include "package/CompressionLibrary.h"
#include "package/PackageBuilder.h"
#include "package/PackageEntryReader.h"
#include "package/UpgradePackage.h"
#include "util/WorkFolder.h"
#include "util/WriteRule.h"

namespace {

// Stored paths are listed and checked as they stand; nothing is resolved onto this machine.
const char NO_INSTALL_FOLDER[] = "";

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

// An elevated QuorindoPack keeps its scratch files where only administrators may write, as the
// upgrader does. One with no more rights than its user may not write there, and no program of
// that user gains anything by swapping its files.
BUILD_SCRATCH ScratchForThisProcess() {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    BOOL member = FALSE;
    // A filtered (not elevated) token holds the Administrators only for denying: not a member.
    const bool admin = ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
                       ::CheckTokenMembership(nullptr, sid, &member) && member;
    return admin ? BUILD_IN_WORK_FOLDER : BUILD_IN_USER_TEMP;
}

void PrintEntryFailure(DWORD index, const std::string& text) {
    std::printf("Entry %lu: %s\n", static_cast<unsigned long>(index + 1), text.c_str());
}

// Inflates every entry fully into nothing; the library checks each member's CRC and length. An
// entry whose path no upgrade would write is a failure too. Answers the number of failures, each
// printed.
int InflateEntries(const CUpgradePackage& package, const CCompressionLibrary& library) {
    CScopedKernelHandle nowhere(::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
    CPackageEntryReader reader(package);
    int failures = 0;
    for (DWORD i = 0; i < package.GetEntryCount(); ++i) {
        STORED_ENTRY fields;
        const std::string error = reader.ReadNext(NO_INSTALL_FOLDER, INSTALL_READ, fields);
        if (!error.empty()) {
            PrintEntryFailure(i, error);
            return failures + 1;  // the entries after it cannot be found
        }
        if (!IsPlainStoredPath(fields.strRelativePath)) {
            PrintEntryFailure(i, FormatPathOutsideRule(fields.strRelativePath));
            ++failures;
        } else if (!library.InflateInto(fields.pCompressedData, fields.dwCompressedLength, nowhere.Get())) {
            PrintEntryFailure(i, "The compressed data of " + fields.strRelativePath + " is damaged");
            ++failures;
        }
    }
    return failures;
}

}  // namespace

int RunBuildCommand(const std::string& listFile, const std::string& outputFile) {
    CConsoleLineSink sink;
    BUILD_OPTIONS options;
    options.scratch = ScratchForThisProcess();
    return BuildPackageFile(sink, listFile, outputFile, options) ? PACK_EXIT_OK : PACK_EXIT_FAILED;
}

int RunListCommand(const std::string& packagePath) {
    CWindowsSystemCalls calls;
    CUpgradePackage package;
    const std::string error = LoadPackage(calls, package, packagePath);
    if (!error.empty()) {
        std::printf("%s\n", error.c_str());
        return PACK_EXIT_FAILED;
    }
    const DWORD count = package.GetEntryCount();
    CPackageEntryReader reader(package);
    unsigned long long compressed = 0, packed = 0;
    std::printf("%-48s %-19s %12s %12s\n", "Stored path", "Stored time", "Compressed", "Packed");
    for (DWORD i = 0; i < count; ++i) {
        STORED_ENTRY fields;
        const std::string readError = reader.ReadNext(NO_INSTALL_FOLDER, INSTALL_READ, fields);
        if (!readError.empty()) {
            PrintEntryFailure(i, readError);
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
    CWindowsSystemCalls calls;
    CUpgradePackage package;
    std::string error = LoadPackage(calls, package, packagePath);
    if (error.empty() && package.GetSize() < PACKAGE_FIRST_ENTRY) error = "Length for upgrade package is invalidation";
    if (!error.empty()) {
        std::printf("%s\n", error.c_str());
        return PACK_EXIT_FAILED;
    }
    CConsoleLineSink sink;
    CWorkFolder work(calls);
    const std::string folder = MakeScratchFolder(sink, ScratchForThisProcess(), work);
    CCompressionLibrary library(calls);
    if (folder.empty() || !library.Load(nullptr, folder)) {
        std::printf("The compression library could not be loaded\n");
        return PACK_EXIT_FAILED;
    }
    const DWORD count = package.GetEntryCount();
    const int failures = InflateEntries(package, library);
    if (failures != 0) return PACK_EXIT_FAILED;
    // Whole and readable, but it would install nothing and report success on every machine.
    if (count == 0) {
        std::printf("The package holds no entry: it would install nothing\n");
        return PACK_EXIT_EMPTY_PACKAGE;
    }
    std::printf("%lu entries, all well\n", static_cast<unsigned long>(count));
    return PACK_EXIT_OK;
}
