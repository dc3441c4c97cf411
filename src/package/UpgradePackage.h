#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "os/SystemCalls.h"

// Resource that carries the package inside the upgrader.
inline constexpr const char* PACKAGE_RESOURCE_TYPE = "PACKAGE";
inline constexpr WORD PACKAGE_RESOURCE_ID = 130;
// Offset of the first entry: the entry count comes first.
inline constexpr DWORD PACKAGE_FIRST_ENTRY = 4;
// The most entries a package may have: far more than any has, and few enough that a count nobody
// checked cannot make a run's journal, or a build, take much memory or time.
inline constexpr unsigned MAX_PACKAGE_ENTRIES = 10000;

// A package: its bytes, as untrusted as they came. CPackageEntryReader reads its entries.
class CUpgradePackage {
public:
    CUpgradePackage() = default;
    explicit CUpgradePackage(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}

    const BYTE* GetData() const { return m_bytes.data(); }
    DWORD GetSize() const { return static_cast<DWORD>(m_bytes.size()); }
    // The entry count stored at offset 0; 0 for a package shorter than 4 bytes.
    DWORD GetEntryCount() const;

private:
    std::vector<BYTE> m_bytes;
};

// The one way a package is loaded: from the file at the path when one is given (a package file
// such as CompressData.dat, or a program that carries one as resource PACKAGE 130), otherwise
// from resource 130 of the module (the running program by default). Answers an error text,
// empty on success.
std::string LoadPackage(ISystemCalls& calls, CUpgradePackage& package, const std::string& path = std::string(),
                        HMODULE module = nullptr);

// Reads a little-endian 32-bit value; the caller has checked that four bytes remain.
DWORD ReadPackageDword(const BYTE* at);
