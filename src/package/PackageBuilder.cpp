#include "package/PackageBuilder.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "framework/File.h"
#include "framework/OwningList.h"
#include "os/WindowsSystemCalls.h"
#include "package/CompressionLibrary.h"
#include "package/PackageEntry.h"
#include "package/UpgradePackage.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"
#include "util/WorkFolder.h"
#include "util/WriteRule.h"

namespace {

struct BUILD_ITEM {
    std::unique_ptr<CPackageEntry> entry;
    bool bCompressed = false;
};

bool WriteDword(CFile& output, DWORD value, CFileException* error) {
    BYTE bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
    return output.Write(bytes, sizeof bytes, error);
}

// Reads the entry's compressed copy whole. Answers the file's error text, empty when it was read.
std::string ReadCompressedCopy(const CPackageEntry& entry, std::vector<BYTE>& data) {
    CFile temp;
    CFileException error;
    if (!temp.Open(entry.m_strTempPath, CFile::modeRead | CFile::typeBinary, &error))
        return GetFileExceptionText(&error);
    const DWORD length = static_cast<DWORD>(temp.GetLength());
    data.resize(length);
    if (length != 0 && temp.Read(data.data(), length, &error) != length) {
        if (error.m_cause == CFileException::none) error.Set(ERROR_HANDLE_EOF, entry.m_strTempPath);
        return GetFileExceptionText(&error);
    }
    return std::string();
}

// Appends one entry, its fields and its compressed data, to the output. Answers the output's
// error text, empty when the whole entry was written.
std::string WriteEntry(CFile& output, const CPackageEntry& entry, const std::vector<BYTE>& data) {
    CFileException error;
    const DWORD pathLength = static_cast<DWORD>(entry.m_strRelativePath.size());
    const DWORD length = static_cast<DWORD>(data.size());
    const bool written = WriteDword(output, pathLength, &error) &&
                         output.Write(entry.m_strRelativePath.data(), pathLength, &error) &&
                         WriteDword(output, entry.m_ftLastWrite.dwHighDateTime, &error) &&
                         WriteDword(output, entry.m_ftLastWrite.dwLowDateTime, &error) &&
                         WriteDword(output, length, &error) && output.Write(data.data(), length, &error);
    return written ? std::string() : GetExceptionMessage(&error);
}

const char LIST_SECTION[] = "Install Source";
const char LIST_COUNT_KEY[] = "source count";

// The most a source list may be: MAX_PACKAGE_ENTRIES sources of two paths each, and room to spare.
const size_t MAX_SOURCE_LIST_SIZE = static_cast<size_t>(MAX_PACKAGE_ENTRIES) * 4 * MAX_PATH;

// Reads the sources the list names. The list is opened as the file itself, never through a link
// planted in its place, and read whole at once, so nobody changes it while it is read. A list
// that is missing or names none is refused with its abort line: it would make a package that
// installs nothing and says all went well. So is one that names more than a package may hold,
// before anything is made for them.
bool ReadSourceList(ISystemCalls& calls, CLineSink& sink, const std::string& listFile, bool bZeroCountAllowed,
                    std::vector<BUILD_ITEM>& items) {
    CIniFile list;
    CScopedKernelHandle file = OpenFileNoLink(calls, listFile, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    const DWORD readError = file ? list.Read(calls, file.Get(), MAX_SOURCE_LIST_SIZE) : ::GetLastError();
    if (readError != ERROR_SUCCESS) {
        CFileException error;
        error.Set(readError, listFile);
        sink.AddLine(LINE_ABORT, "        Read file %s failed because of %s!", listFile.c_str(),
                     GetFileErrorReason(error.m_cause).c_str());
        return false;
    }
    const std::string countText = list.GetString(LIST_SECTION, LIST_COUNT_KEY);
    if (countText.empty()) {
        sink.AddLine(LINE_ABORT, "        File %s has no %s in [%s]!", listFile.c_str(), LIST_COUNT_KEY, LIST_SECTION);
        return false;
    }
    const long long count = std::strtoll(countText.c_str(), nullptr, 10);
    if (count == 0 && bZeroCountAllowed) return true;
    if (count <= 0) {
        sink.AddLine(LINE_ABORT, "        File %s lists no source to compress!", listFile.c_str());
        return false;
    }
    if (count > MAX_PACKAGE_ENTRIES) {
        sink.AddLine(LINE_ABORT, "        File %s counts %lld sources, more than a package may hold (%u)!",
                     listFile.c_str(), count, MAX_PACKAGE_ENTRIES);
        return false;
    }
    for (long long i = 1; i <= count; ++i) {
        BUILD_ITEM item;
        item.entry = std::make_unique<CPackageEntry>(calls);
        item.entry->LoadIni(list, FormatText("Source %lld", i));
        items.push_back(std::move(item));
    }
    return true;
}

void CompressSources(CLineSink& sink, std::vector<BUILD_ITEM>& items, const CCompressionLibrary& library,
                     const std::string& folder) {
    for (BUILD_ITEM& item : items) {
        CPackageEntry& entry = *item.entry;
        // Left out: no upgrade would install it.
        if (!IsPlainStoredPath(entry.m_strRelativePath)) {
            sink.AddLine(LINE_ABORT, "        %s", FormatPathOutsideRule(entry.m_strRelativePath).c_str());
            continue;
        }
        item.bCompressed = entry.CompressSource(library, folder);
        if (!item.bCompressed) {
            // Left out: an empty entry would install an empty file.
            sink.AddLine(LINE_ABORT, "        Compress file %s failed!", entry.m_strSourcePath.c_str());
            continue;
        }
        entry.ReadSourceTime();
        sink.AddLine(LINE_INFO, "        Compressed file %s(Rate : %s)", GetFileNameOf(entry.m_strSourcePath).c_str(),
                     entry.m_strRate.c_str());
    }
}

void AddCombineFailure(CLineSink& sink, const std::string& reason) {
    sink.AddLine(LINE_ABORT, "        Combine compressed files failed because of %s!", reason.c_str());
}

// Writes the entries that were compressed, then the count of those actually written. False
// when the output itself could not be written, or would hold no entry; written counts the entries.
bool CombineEntries(CLineSink& sink, CFile& output, const std::vector<BUILD_ITEM>& items, DWORD& written) {
    CFileException error;
    if (!WriteDword(output, 0, &error)) {
        AddCombineFailure(sink, GetExceptionMessage(&error));
        return false;
    }
    written = 0;
    for (const BUILD_ITEM& item : items) {
        if (!item.bCompressed) continue;
        std::vector<BYTE> data;
        // A copy that cannot be read is left out; an output that cannot be written ends the package.
        const std::string readError = ReadCompressedCopy(*item.entry, data);
        if (!readError.empty()) {
            AddCombineFailure(sink, readError);
            continue;
        }
        const std::string writeError = WriteEntry(output, *item.entry, data);
        if (!writeError.empty()) {
            AddCombineFailure(sink, writeError);
            return false;
        }
        ++written;
    }
    // A package of no entries that were asked for would install nothing and report success.
    if (written == 0 && !items.empty()) {
        AddCombineFailure(sink, "no file went into the package");
        return false;
    }
    // A package never announces entries it lacks.
    if (!output.SeekTo(0, &error) || !WriteDword(output, written, &error)) {
        AddCombineFailure(sink, GetExceptionMessage(&error));
        return false;
    }
    return true;
}

void AddCreateFailure(CLineSink& sink, const std::string& outputFile, DWORD systemError) {
    CFileException error;
    error.Set(systemError, outputFile);
    sink.AddLine(LINE_ABORT, "        Create file %s failed because of %s!", outputFile.c_str(),
                 GetFileErrorReason(error.m_cause).c_str());
}

// Joins the compressed entries into a new file beside the output, and only once that is whole and
// on the disk moves it over the output: a failed build leaves an older package as it was, and a
// link planted in the output's place is replaced, never written through. Answers how many entries
// the package holds, 0 when none was written.
DWORD WriteOutput(ISystemCalls& calls, CLineSink& sink, const std::string& outputFile,
                  const std::vector<BUILD_ITEM>& items) {
    sink.AddLine(LINE_INFO, "Combine compressed files to CompressData.dat");
    const std::string fresh = outputFile + ".new";
    calls.Delete(fresh.c_str());  // whatever has the name, a link included, goes: the file is new
    CFile output;
    CFileException error;
    if (!output.Open(fresh, CFile::modeCreateNew | CFile::modeReadWrite | CFile::typeBinary, &error)) {
        AddCreateFailure(sink, outputFile, error.m_lOsError);
        return 0;
    }
    DWORD written = 0;
    bool bDone = CombineEntries(sink, output, items, written);
    if (bDone && (!output.Flush(&error) || !output.Close(&error))) {
        AddCombineFailure(sink, GetExceptionMessage(&error));
        bDone = false;
    }
    output.Close();
    const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (bDone && !calls.Move(fresh.c_str(), outputFile.c_str(), replace)) {
        AddCreateFailure(sink, outputFile, ::GetLastError());
        bDone = false;
    }
    if (!bDone) {
        CFile::Remove(fresh);  // no half-written package is left behind
        return 0;
    }
    sink.AddLine(LINE_INFO, "        Combine compressed files to %s completely!", outputFile.c_str());
    return written;
}

}  // namespace

std::string MakeScratchFolder(CLineSink& sink, BUILD_SCRATCH scratch, CWorkFolder& work) {
    if (scratch == BUILD_IN_USER_TEMP) return GetTempFolder();
    const std::string error = work.Create();
    if (!error.empty()) sink.AddLine(LINE_ABORT, "        %s!", error.c_str());
    return work.Path();
}

bool BuildPackageFile(CLineSink& sink, const std::string& listFile, const std::string& outputFile,
                      const BUILD_OPTIONS& options) {
    sink.AddLine(LINE_INFO, "Reading compressed files from UpgradeSet.ini");
    // A build is no upgrade run: it makes its calls straight to the system.
    CWindowsSystemCalls calls;
    // The work folder goes with every file in it; in the user's folder each file goes by itself.
    CWorkFolder work(calls);
    const std::string folder = MakeScratchFolder(sink, options.scratch, work);
    if (folder.empty()) return false;
    std::vector<BUILD_ITEM> items;
    if (!ReadSourceList(calls, sink, listFile, options.bZeroCountMakesEmptyPackage, items))
        return false;  // any package already there stays

    // Loaded as an upgrade run loads it; a library that is not ours fails every source.
    CCompressionLibrary library(calls);
    library.Load(options.hLibraryModule, folder, options.afterLibraryWritten);
    CompressSources(sink, items, library, folder);
    return WriteOutput(calls, sink, outputFile, items) == items.size();
}
