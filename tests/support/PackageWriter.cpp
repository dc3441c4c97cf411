#include "support/PackageWriter.h"

#include <gtest/gtest.h>

#include "support/TestGzip.h"

namespace {

DWORD DwordAt(const std::string& bytes, size_t offset) {
    DWORD value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<BYTE>(bytes.at(offset + i));
    return value;
}

}  // namespace

void AppendDword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

std::vector<PACKED_ENTRY> ParsePackage(const std::string& bytes) {
    std::vector<PACKED_ENTRY> entries;
    size_t at = 4;
    for (DWORD i = 0, count = DwordAt(bytes, 0); i < count; ++i) {
        PACKED_ENTRY e;
        const DWORD length = DwordAt(bytes, at);
        e.path = bytes.substr(at + 4, length);
        at += 4 + length;
        e.high = DwordAt(bytes, at);
        e.low = DwordAt(bytes, at + 4);
        const DWORD size = DwordAt(bytes, at + 8);
        e.dataOffset = at + 12;
        e.data = bytes.substr(e.dataOffset, size);
        at = e.dataOffset + size;
        entries.push_back(e);
    }
    EXPECT_EQ(at, bytes.size()) << "bytes after the last entry";
    return entries;
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
