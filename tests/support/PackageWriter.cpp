#include "support/PackageWriter.h"

#include "support/TestGzip.h"

void AppendDword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

FILETIME TimeOf(int day) {
    return {0x12345678, 0x01D00000 + static_cast<DWORD>(day)};
}

CPackageWriter& CPackageWriter::Add(const TEST_ENTRY& entry) {
    m_entries.push_back(entry);
    return *this;
}

CPackageWriter& CPackageWriter::AddFile(const std::string& path, const std::string& content, FILETIME time) {
    TEST_ENTRY entry;
    entry.strPath = path;
    entry.dwTimeHigh = time.dwHighDateTime;
    entry.dwTimeLow = time.dwLowDateTime;
    entry.data = GzipBytes(content);
    return Add(entry);
}

std::vector<BYTE> CPackageWriter::Bytes() const { return Bytes(static_cast<DWORD>(m_entries.size())); }

std::vector<BYTE> CPackageWriter::Bytes(DWORD announcedCount) const {
    std::vector<BYTE> out;
    AppendDword(out, announcedCount);
    for (const TEST_ENTRY& e : m_entries) {
        AppendDword(out, static_cast<DWORD>(e.strPath.size()));
        out.insert(out.end(), e.strPath.begin(), e.strPath.end());
        AppendDword(out, e.dwTimeHigh);
        AppendDword(out, e.dwTimeLow);
        AppendDword(out, static_cast<DWORD>(e.data.size()));
        out.insert(out.end(), e.data.begin(), e.data.end());
    }
    return out;
}

std::string IncompressibleContent(unsigned seed, size_t size) {
    std::string bytes(size, '\0');
    unsigned value = seed * 2654435761u + 7;
    for (char& c : bytes) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 23);
    }
    return bytes;
}
