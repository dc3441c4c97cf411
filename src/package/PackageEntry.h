#pragma once

#include <windows.h>

#include <string>

#include "framework/CObject.h"
#include "os/SystemCalls.h"

class CCompressionLibrary;
class CIniFile;

// One file as the package builder packs it: its source, its stored path and time, and its
// compressed copy in a scratch file with the compression rate.
class CPackageEntry : public CObject {
public:
    explicit CPackageEntry(ISystemCalls& calls) : m_calls(calls) {}
    // Deletes the temporary file, read-only or not.
    ~CPackageEntry() override;

    // Builder: reads "Source Path" and "Dest Relative Path" from a section of the list file.
    void LoadIni(const CIniFile& list, const std::string& section);
    // Builder: deflates the source into a new scratch file in the folder. False when it could not.
    bool CompressSource(const CCompressionLibrary& library, const std::string& folder);
    // Builder: the source's last-write time; 0 and 0 when the file cannot be opened for it.
    void ReadSourceTime();
    // Writes the bytes into the scratch file, replacing what it held. Answers the file error's
    // text when the file cannot be opened or written whole, empty on success.
    static std::string WriteTempFile(const BYTE* data, DWORD length, const std::string& tempPath);

    ISystemCalls& m_calls;
    std::string m_strSourcePath;
    FILETIME m_ftLastWrite{};
    std::string m_strRelativePath;
    std::string m_strTempPath;
    std::string m_strRate;
};
