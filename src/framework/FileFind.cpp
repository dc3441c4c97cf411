#include "framework/FileFind.h"

#include "framework/PathChars.h"

bool CFileFind::FindFile(const std::string& pattern) {
    Close();
    const size_t slash = FindLastSeparator(pattern);
    m_strRoot = (slash == std::string::npos) ? std::string() : pattern.substr(0, slash + 1);
    m_hFind.Reset(::FindFirstFileA(pattern.c_str(), &m_next));
    m_bHasNext = m_hFind.IsValid();
    return m_bHasNext;
}

bool CFileFind::FindNextFile() {
    if (!m_bHasNext) return false;
    m_found = m_next;
    m_bHasNext = ::FindNextFileA(m_hFind.Get(), &m_next) != FALSE;
    return m_bHasNext;
}

void CFileFind::Close() {
    m_hFind.Reset();
    m_bHasNext = false;
    m_found = {};
}

bool CFileFind::IsDots() const {
    const std::string name = m_found.cFileName;
    return IsDirectory() && (name == "." || name == "..");
}
