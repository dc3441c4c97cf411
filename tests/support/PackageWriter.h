#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Builds package bytes for tests, independently of the program's own builder.
struct TEST_ENTRY {
    std::string strPath;          // stored path, e.g. ".\\Quorindo.exe"
    DWORD dwTimeHigh = 0;
    DWORD dwTimeLow = 0;
    std::vector<BYTE> data;       // stored as is (already gzip, or deliberately not)
};

class CPackageWriter {
public:
    CPackageWriter& Add(const TEST_ENTRY& entry);
    // Adds an entry whose data is the gzip of the given content.
    CPackageWriter& AddFile(const std::string& path, const std::string& content, FILETIME time = {});
    // The package: the count (or the given count) and the entries back to back.
    std::vector<BYTE> Bytes() const;
    std::vector<BYTE> Bytes(DWORD announcedCount) const;

private:
    std::vector<TEST_ENTRY> m_entries;
};

void AppendDword(std::vector<BYTE>& out, DWORD value);

// An entry of package bytes as they lie in the file, read independently of the program's reader.
struct PACKED_ENTRY {
    std::string path;
    DWORD high, low;
    size_t dataOffset;  // of its gzip member in the package
    std::string data;
};
// Every entry the package's count announces; a test failure when bytes follow the last.
std::vector<PACKED_ENTRY> ParsePackage(const std::string& bytes);
// Bytes that do not compress, different for every seed: entries that take a while to inflate,
// or fill a disk.
std::string IncompressibleContent(unsigned seed, size_t size);

// A stored time of its own for each day number, for entries and the files they are checked against.
FILETIME TimeOf(int day);
