#pragma once

#include <windows.h>
#include <string>

#include "framework/FileException.h"
#include "framework/ScopedHandles.h"

// A file opened through the Windows file API. No exception may cross a module of this program,
// so a failed operation answers false and, when given one, fills a CFileException.
class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoTruncate = 0x1000,
        modeCreate = 0x2000,
        // A new file where no name exists yet, a link included: never anything opened through a link.
        modeCreateNew = 0x4000,
        typeBinary = 0x8000,
    };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() = default;

    bool Open(const std::string& path, UINT flags, CFileException* error = nullptr);
    // Reads up to count bytes; answers the number read (0 at the end or on failure).
    UINT Read(void* buffer, UINT count, CFileException* error = nullptr);
    // Writes all count bytes; false when any of them could not be written.
    bool Write(const void* buffer, UINT count, CFileException* error = nullptr);
    bool Close(CFileException* error = nullptr);
    // Puts what was written on the disk.
    bool Flush(CFileException* error = nullptr);
    bool SeekTo(ULONGLONG offset, CFileException* error = nullptr);
    ULONGLONG GetLength() const;
    bool IsOpen() const { return m_hFile.IsValid(); }
    HANDLE GetHandle() const { return m_hFile.Get(); }
    const std::string& GetFilePath() const { return m_strFileName; }

    static bool Remove(const std::string& path, CFileException* error = nullptr);
    static bool Rename(const std::string& oldPath, const std::string& newPath, CFileException* error = nullptr);

private:
    bool Fail(CFileException* error, DWORD osError) const;

    CScopedKernelHandle m_hFile;
    std::string m_strFileName;
};
