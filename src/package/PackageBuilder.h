#pragma once

#include <windows.h>

#include <string>

class CFile;
class CLineSink;
class CPackageEntry;

inline constexpr const char* BUILDER_LIST_FILE = "UpgradeSet.ini";
inline constexpr const char* BUILDER_OUTPUT_FILE = "CompressData.dat";

// What a build left behind.
struct PACKAGE_BUILD_RESULT {
    int nSources = 0;        // sources named by the list
    int nWritten = 0;        // entries that went into the output
    bool bOutputDone = false;  // the output was written to its end
    bool IsComplete() const { return bOutputDone && nWritten == nSources; }
};

// Compresses every source named in the list file and joins them into the output in the
// package layout, reporting each step as a line. The library comes from the given module's
// resource 131 (the running program by default).
PACKAGE_BUILD_RESULT BuildPackageFile(CLineSink& sink, const std::string& listFile, const std::string& outputFile,
                                      HMODULE libraryModule = nullptr);

// Appends one entry to the output. Answers an error text, empty on success; outputFailed
// tells a failed write of the output apart from an unreadable compressed copy.
std::string WriteEntry(CFile& output, const CPackageEntry& entry, bool& outputFailed);
