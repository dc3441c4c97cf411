#include "system/FileVersionInfo.h"

#include <cstdio>

#include "system/SystemLibrary.h"

namespace {

// The version library is bound from the system folder at run time: as a static import it would
// be looked for beside the program first, where anyone could have dropped a file of that name.
class CVersionLibrary {
public:
    bool Load() {
        m_library = LoadSystemLibrary("VERSION.DLL");
        return ResolveEntryPoint(m_library.Get(), "GetFileVersionInfoSizeA", m_pfnGetSize) &&
               ResolveEntryPoint(m_library.Get(), "GetFileVersionInfoA", m_pfnGetInfo) &&
               ResolveEntryPoint(m_library.Get(), "VerQueryValueA", m_pfnQuery);
    }
    DWORD GetSize(const char* path) const {
        DWORD handle = 0;
        return m_pfnGetSize(path, &handle);
    }
    bool GetInfo(const char* path, std::vector<BYTE>& block) const {
        return m_pfnGetInfo(path, 0, static_cast<DWORD>(block.size()), block.data()) != FALSE;
    }
    bool Query(const std::vector<BYTE>& block, const char* subBlock, const void*& data, UINT& length) const {
        void* found = nullptr;
        length = 0;
        if (!m_pfnQuery(block.data(), subBlock, &found, &length) || found == nullptr) return false;
        data = found;
        return true;
    }

private:
    CScopedLibrary m_library;
    DWORD(WINAPI* m_pfnGetSize)(LPCSTR, LPDWORD) = nullptr;
    BOOL(WINAPI* m_pfnGetInfo)(LPCSTR, DWORD, DWORD, LPVOID) = nullptr;
    BOOL(WINAPI* m_pfnQuery)(LPCVOID, LPCSTR, LPVOID*, PUINT) = nullptr;
};

}  // namespace

bool CFileVersionInfo::Open(const char* filePath) {
    if (filePath == nullptr) return false;
    Close();
    CVersionLibrary library;
    if (!library.Load()) return false;
    const DWORD size = library.GetSize(filePath);
    if (size == 0) return false;
    m_block.assign(size, 0);
    if (!library.GetInfo(filePath, m_block)) {
        Close();
        return false;
    }
    const void* data = nullptr;
    UINT length = 0;
    // A root block shorter than the structure is a damaged resource, not fixed file information.
    if (library.Query(m_block, "\\", data, length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        m_fixedInfo = *static_cast<const VS_FIXEDFILEINFO*>(data);
        m_bValid = m_fixedInfo.dwSignature == FIXED_INFO_SIGNATURE;
    }
    if (m_bValid && library.Query(m_block, "\\VarFileInfo\\Translation", data, length)) {
        m_pTranslations = static_cast<const DWORD*>(data);
        m_nTranslationCount = length / sizeof(DWORD);
    }
    if (m_bValid && m_pTranslations != nullptr) return true;
    Close();
    return false;
}

void CFileVersionInfo::Close() {
    m_fixedInfo = VS_FIXEDFILEINFO{};
    m_block.clear();
    m_block.shrink_to_fit();
    m_pTranslations = nullptr;
    m_nTranslationCount = 0;
    m_bValid = false;
}

std::string CFileVersionInfo::GetFileVersionText() const {
    char text[64] = {};
    std::snprintf(text, sizeof(text), "%u.%u.%u.%u", unsigned{HIWORD(m_fixedInfo.dwFileVersionMS)},
                  unsigned{LOWORD(m_fixedInfo.dwFileVersionMS)}, unsigned{HIWORD(m_fixedInfo.dwFileVersionLS)},
                  unsigned{LOWORD(m_fixedInfo.dwFileVersionLS)});
    return text;
}
