#pragma once

#include <windows.h>

#include <memory>
#include <string>

// Resource that carries the package inside the upgrader.
inline constexpr const char* PACKAGE_RESOURCE_TYPE = "PACKAGE";
inline constexpr WORD PACKAGE_RESOURCE_ID = 130;
// Offset of the first entry: the entry count comes first.
inline constexpr DWORD PACKAGE_FIRST_ENTRY = 4;

// The loaded package: a heap copy of its bytes and the read position of a pass.
struct CUpgradePackage {
    std::unique_ptr<BYTE[]> m_pBuffer;
    DWORD m_dwSize = 0;
    DWORD m_dwCursor = 0;

    // The entry count stored at offset 0; 0 for a package shorter than 4 bytes.
    DWORD GetEntryCount() const;
};

// Copies resource "PACKAGE" 130 of the given module (the running program by default)
// into the package's buffer. Answers an error text, empty on success.
std::string LoadPackage(CUpgradePackage& package, HMODULE module = nullptr);

// Reads a little-endian 32-bit value; the caller has checked that four bytes remain.
DWORD ReadPackageDword(const BYTE* at);
