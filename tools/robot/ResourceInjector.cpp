#include "robot/ResourceInjector.h"

#include "framework/ScopedHandles.h"

bool CopyWithPackage(const std::string& program, const std::string& copy, const std::vector<BYTE>& package) {
    if (!CopyFileA(program.c_str(), copy.c_str(), FALSE)) return false;
    SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    if (update == nullptr) return false;
    // An empty resource cannot be stored; callers that need one use a short package.
    const BOOL stored = UpdateResourceA(update, "PACKAGE", MAKEINTRESOURCEA(130), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                        const_cast<BYTE*>(package.data()), static_cast<DWORD>(package.size()));
    return EndUpdateResourceA(update, stored ? FALSE : TRUE) && stored;
}

std::string ReadProgramResource(const std::string& program, LPCSTR type, WORD id) {
    CScopedLibrary module(::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return std::string();
    HRSRC found = ::FindResourceA(module.Get(), MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = found ? ::LoadResource(module.Get(), found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) return std::string();
    return std::string(static_cast<const char*>(data), ::SizeofResource(module.Get(), found));
}
