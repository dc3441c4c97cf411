#pragma once

#include <windows.h>

#include <string>

#include "package/CompressionLibrary.h"

class CLineSink;
class CWorkFolder;

inline constexpr const char* BUILDER_LIST_FILE = "UpgradeSet.ini";
inline constexpr const char* BUILDER_OUTPUT_FILE = "CompressData.dat";

// Where a build keeps its scratch files: the compression library and the compressed copies.
enum BUILD_SCRATCH {
    // A private work folder, as an upgrade run makes one: for a builder that runs elevated, so that
    // no program of the user can swap what it loads or packs.
    BUILD_IN_WORK_FOLDER,
    // The user's temporary folder: for a builder with no more rights than its user, who may not
    // write a work folder.
    BUILD_IN_USER_TEMP,
};

// The folder for scratch files of that kind: the work folder, made now, or the user's temporary
// folder. Empty, after its abort line, when the work folder cannot be made.
std::string MakeScratchFolder(CLineSink& sink, BUILD_SCRATCH scratch, CWorkFolder& work);


struct BUILD_OPTIONS {
    BUILD_SCRATCH scratch = BUILD_IN_WORK_FOLDER;
    // A list whose source count says 0 makes the empty package, the four bytes of a zero count, as
    // the package format has it ("Compress Data..."); otherwise it is refused like a list that names
    // nothing (QuorindoPack: such a package installs nothing and succeeds everywhere).
    bool bZeroCountMakesEmptyPackage = false;
    HMODULE hLibraryModule = nullptr;  // whose resource 131 is the library (the running program's)
    CCompressionLibrary::AfterWrite afterLibraryWritten;  // for tests only
};

// Compresses every source named in the list file (a full path) and joins them into the output in
// the package layout, reporting each step as a line. A list that is missing, has no source count
// or names no source (see BUILD_OPTIONS) is refused before anything is written. True when the
// package was written with every source.
bool BuildPackageFile(CLineSink& sink, const std::string& listFile, const std::string& outputFile,
                      const BUILD_OPTIONS& options = {});
