#pragma once

#include <windows.h>

#include <string>

#include "framework/CObject.h"

class CCompressionLibrary;

// What the second pass makes of one entry: its compressed bytes in a scratch file, inflated
// over the destination, which then gets the stored last-write time. The package builder
// uses the same class and fills the source path and the rate text.
class CPackageEntry : public CObject {
public:
    CPackageEntry() = default;
    // Deletes the temporary file, read-only or not.
    ~CPackageEntry() override;

    // Reads the entry at the cursor and inflates it from the package straight to destPath, which
    // gets the stored last-write time. Answers an error text, empty on success.
    std::string Install(const BYTE* buffer, DWORD size, DWORD& cursor, const std::string& installFolder,
                        const std::string& destPath, const CCompressionLibrary& library);
    // Builder: reads ("Source Path", "Dest Relative Path") from a section of the list file
    // when loading, writes them there otherwise.
    virtual void SerializeIni(bool bLoad, const std::string& section, const std::string& listFile);
    // Builder: deflates the source into a new scratch file. False when it could not.
    bool CompressSource(const std::string& libraryPath);
    // Builder: the source's last-write time; 0 and 0 when the file cannot be opened for it.
    void ReadSourceTime();
    // Writes the bytes into the scratch file, replacing what it held. Answers the file error's
    // text when the file cannot be opened or written whole, empty on success.
    static std::string WriteTempFile(const BYTE* data, DWORD length, const std::string& tempPath);

    std::string m_strSourcePath;
    FILETIME m_ftLastWrite{};
    std::string m_strRelativePath;
    std::string m_strTempPath;
    std::string m_strRate;
    // Set when a failed install had already opened (and so truncated) its destination.
    bool m_bDestChanged = false;
};
