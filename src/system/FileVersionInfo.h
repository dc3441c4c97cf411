#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What one file's version resource says. The installed version is read from it, so a resource
// that is damaged or incomplete counts as no version rather than a wrong one.
class CFileVersionInfo {
public:
    static constexpr DWORD FIXED_INFO_SIGNATURE = 0xFEEF04BD;

    CFileVersionInfo() = default;
    CFileVersionInfo(const CFileVersionInfo&) = delete;
    CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;
    ~CFileVersionInfo() { Close(); }

    // True only when both the fixed file information and the translation table were found: a
    // file without a translation table has no readable version.
    bool Open(const char* filePath);
    bool Open(const std::string& filePath) { return Open(filePath.c_str()); }
    void Close();

    bool IsValid() const { return m_bValid; }
    const VS_FIXEDFILEINFO& GetFixedFileInfo() const { return m_fixedInfo; }
    // Entries of "\VarFileInfo\Translation": language id in the low word, code page in the high.
    const DWORD* GetTranslations() const { return m_pTranslations; }
    UINT GetTranslationCount() const { return m_nTranslationCount; }
    // The file version as "major.minor.build.revision", each 16-bit half in decimal.
    std::string GetFileVersionText() const;

private:
    VS_FIXEDFILEINFO m_fixedInfo{};
    std::vector<BYTE> m_block;
    const DWORD* m_pTranslations = nullptr;
    UINT m_nTranslationCount = 0;
    bool m_bValid = false;
};
