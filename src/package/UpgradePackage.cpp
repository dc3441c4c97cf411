#include "package/UpgradePackage.h"

#include <cstring>

#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "util/FileErrors.h"

namespace {

// The largest package a 32-bit program reads into memory.
constexpr ULONGLONG MAX_PACKAGE_FILE = 0x7FFFFFFF;

std::string LoadFromResource(CUpgradePackage& package, HMODULE module) {
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID), PACKAGE_RESOURCE_TYPE);
    if (resource == nullptr) return "Can not found upgrade package!";
    HGLOBAL loaded = ::LoadResource(module, resource);
    if (loaded == nullptr) return "Load upgrade package failed!";
    const BYTE* bytes = static_cast<const BYTE*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(module, resource);
    package = CUpgradePackage(bytes == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(bytes, bytes + size));
    return std::string();
}

std::string LoadFromFile(CUpgradePackage& package, const std::string& path) {
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) return GetFileExceptionText(&error);
    char magic[2] = {};
    if (file.Read(magic, 2) == 2 && std::memcmp(magic, "MZ", 2) == 0) {
        file.Close();
        CScopedLibrary module(::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!module) return "Cannot open " + path + " as a program";
        return LoadFromResource(package, module.Get());
    }
    const ULONGLONG length = file.GetLength();
    if (length > MAX_PACKAGE_FILE) return "The package is too large";
    std::vector<BYTE> bytes(static_cast<size_t>(length));
    if (!file.SeekTo(0, &error)) return GetFileExceptionText(&error);
    if (file.Read(bytes.data(), static_cast<UINT>(bytes.size()), &error) != bytes.size())
        return GetFileExceptionText(&error);
    package = CUpgradePackage(std::move(bytes));
    return std::string();
}

}  // namespace

DWORD ReadPackageDword(const BYTE* at) {
    return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
           (static_cast<DWORD>(at[3]) << 24);
}

DWORD CUpgradePackage::GetEntryCount() const {
    return GetSize() < PACKAGE_FIRST_ENTRY ? 0 : ReadPackageDword(GetData());
}

std::string LoadPackage(CUpgradePackage& package, const std::string& path, HMODULE module) {
    return path.empty() ? LoadFromResource(package, module) : LoadFromFile(package, path);
}
