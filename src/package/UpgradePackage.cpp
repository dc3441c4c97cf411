#include "package/UpgradePackage.h"

#include <cstring>

DWORD ReadPackageDword(const BYTE* at) {
    return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
           (static_cast<DWORD>(at[3]) << 24);
}

DWORD CUpgradePackage::GetEntryCount() const {
    if (!m_pBuffer || m_dwSize < PACKAGE_FIRST_ENTRY) return 0;
    return ReadPackageDword(m_pBuffer.get());
}

std::string LoadPackage(CUpgradePackage& package, HMODULE module) {
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID), PACKAGE_RESOURCE_TYPE);
    if (resource == nullptr) return "Can not found upgrade package!";
    HGLOBAL loaded = ::LoadResource(module, resource);
    if (loaded == nullptr) return "Load upgrade package failed!";
    const void* bytes = ::LockResource(loaded);
    const DWORD size = ::SizeofResource(module, resource);
    package.m_pBuffer.reset();
    package.m_pBuffer = std::make_unique<BYTE[]>(size ? size : 1);
    if (bytes != nullptr && size != 0) std::memcpy(package.m_pBuffer.get(), bytes, size);
    package.m_dwSize = size;
    package.m_dwCursor = 0;
    return std::string();
}
