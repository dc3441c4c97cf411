#include "package/UpgradePackage.h"

#include <cstring>

#include "framework/FileException.h"
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

// The file error's text, as the framework's file class words it.
std::string FileErrorText(const std::string& path, DWORD systemError) {
    CFileException error;
    error.Set(systemError, path);
    return GetFileExceptionText(&error);
}

// Reads the whole file; answers its error text, empty when it was read.
std::string ReadWholeFile(ISystemCalls& calls, HANDLE file, const std::string& path, std::vector<BYTE>& bytes) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!calls.GetInformation(file, &info)) return FileErrorText(path, ::GetLastError());
    const ULONGLONG length = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (length > MAX_PACKAGE_FILE) return "The package is too large";
    bytes.resize(static_cast<size_t>(length));
    DWORD read = 0;
    if (!calls.Seek(file, 0, FILE_BEGIN) ||
        (length != 0 && !calls.Read(file, bytes.data(), static_cast<DWORD>(length), &read)))
        return FileErrorText(path, ::GetLastError());
    return read == length ? std::string() : FileErrorText(path, ERROR_HANDLE_EOF);
}

std::string LoadFromFile(ISystemCalls& calls, CUpgradePackage& package, const std::string& path) {
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL));
    if (!file) return FileErrorText(path, ::GetLastError());
    char magic[2] = {};
    DWORD read = 0;
    if (calls.Read(file.Get(), magic, 2, &read) && read == 2 && std::memcmp(magic, "MZ", 2) == 0) {
        file.Reset();
        CScopedLibrary module(::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!module) return "Cannot open " + path + " as a program";
        return LoadFromResource(package, module.Get());
    }
    std::vector<BYTE> bytes;
    const std::string error = ReadWholeFile(calls, file.Get(), path, bytes);
    if (error.empty()) package = CUpgradePackage(std::move(bytes));
    return error;
}

}  // namespace

DWORD ReadPackageDword(const BYTE* at) {
    return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
           (static_cast<DWORD>(at[3]) << 24);
}

DWORD CUpgradePackage::GetEntryCount() const {
    return GetSize() < PACKAGE_FIRST_ENTRY ? 0 : ReadPackageDword(GetData());
}

std::string LoadPackage(ISystemCalls& calls, CUpgradePackage& package, const std::string& path, HMODULE module) {
    return path.empty() ? LoadFromResource(package, module) : LoadFromFile(calls, package, path);
}
