#pragma once

#include <windows.h>
#include <string>

#include "framework/ScopedHandles.h"

// Walks the matches of a path pattern. As with the framework it stands in for,
// FindFile opens the search and each FindNextFile steps onto the next match,
// answering whether another one follows.
class CFileFind {
public:
    CFileFind() = default;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    bool FindFile(const std::string& pattern);
    bool FindNextFile();
    void Close();

    bool IsDirectory() const { return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsDots() const;
    std::string GetFileName() const { return m_found.cFileName; }
    std::string GetFilePath() const { return m_strRoot + m_found.cFileName; }

private:
    CScopedFindHandle m_hFind;
    WIN32_FIND_DATAA m_next{};
    WIN32_FIND_DATAA m_found{};
    bool m_bHasNext = false;
    std::string m_strRoot;
};
