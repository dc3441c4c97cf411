#include "support/ScratchFolder.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include <atomic>

#include "framework/ScopedHandles.h"
#include "support/HostLink.h"
#include "support/TestPaths.h"
#include "util/PathParts.h"

namespace {

void PutVariable(const char* name, const std::string& value) {
    ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

std::atomic<int> g_nextFolder{0};

}  // namespace

CScratchFolder::CScratchFolder(const std::string& root)
    : m_strOldTmp(GetEnvironmentText("TMP")), m_strOldTemp(GetEnvironmentText("TEMP")) {
    std::string base = root;
    if (base.empty()) {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        base = temp;
    }
    m_strPath = WithFinalBackslash(base) + "qu-scratch-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(g_nextFolder++) + "\\";
    DeleteTree(m_strPath);
    ::CreateDirectoryA(m_strPath.c_str(), nullptr);
    m_strTemp = m_strPath + "temp\\";
    ::CreateDirectoryA(m_strTemp.c_str(), nullptr);
    SetTempFolder(m_strTemp);
}

CScratchFolder::~CScratchFolder() {
    PutVariable("TMP", m_strOldTmp);
    PutVariable("TEMP", m_strOldTemp);
    DeleteTree(m_strPath);
}

void CScratchFolder::SetTempFolder(const std::string& folder) {
    PutVariable("TMP", folder);
    PutVariable("TEMP", folder);
}

void WriteFileText(const std::string& path, const std::string& content) {
    CScopedKernelHandle file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << path;
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    ASSERT_EQ(written, content.size());
}

std::string ReadFileText(const std::string& path) {
    CScopedKernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        ADD_FAILURE() << "cannot read " << path;
        return std::string();
    }
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    return content;
}

FILETIME GetLastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << path;
    return data.ftLastWriteTime;
}

void SetLastWriteTime(const std::string& path, FILETIME time) {
    CScopedKernelHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << path;
    ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &time));
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    CScopedFindHandle find(::FindFirstFileA((WithFinalBackslash(folder) + pattern).c_str(), &data));
    if (!find.IsValid()) return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
    } while (::FindNextFileA(find.Get(), &data));
    return names;
}

void DeleteTree(const std::string& folder) {
    const std::string root = WithFinalBackslash(folder);
    WIN32_FIND_DATAA data{};
    CScopedFindHandle find(::FindFirstFileA((root + "*").c_str(), &data));
    if (find.IsValid()) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = root + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveHostLink(path);  // never what it leads to
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find.Get(), &data));
    }
    find.Reset();
    ::RemoveDirectoryA(root.c_str());
}

FILETIME MakeFileTime(DWORD high, DWORD low) {
    FILETIME time;
    time.dwHighDateTime = high;
    time.dwLowDateTime = low;
    return time;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
    return a.dwHighDateTime == b.dwHighDateTime && a.dwLowDateTime == b.dwLowDateTime;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool PathExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
