#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A private folder for one test, with the process's temporary folder (TMP and TEMP) pointed
// into it, so the scratch files a test makes can be counted without other test programs'
// files getting in the way. Everything in it is deleted at the end, read-only files included.
class CScratchFolder {
public:
    // Under the given root, or the temporary folder the process started with.
    explicit CScratchFolder(const std::string& root = std::string());
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;
    ~CScratchFolder();

    const std::string& Path() const { return m_strPath; }  // ends with a backslash
    const std::string& Temp() const { return m_strTemp; }  // the scratch files' folder
    // Points TMP and TEMP somewhere else for the rest of the test.
    static void SetTempFolder(const std::string& folder);

private:
    std::string m_strPath;
    std::string m_strTemp;
    std::string m_strOldTmp;
    std::string m_strOldTemp;
};

// Small file helpers for tests; each fails the current test when the file system refuses.
void WriteFileText(const std::string& path, const std::string& content);
std::string ReadFileText(const std::string& path);
// The file's bytes, or nothing while it cannot be read (for waiting on a file to appear).
std::string ReadFileBytes(const std::string& path);
FILETIME GetLastWriteTime(const std::string& path);
void SetLastWriteTime(const std::string& path, FILETIME time);
bool IsReadOnly(const std::string& path);
// True when a file or folder is at the path.
bool PathExists(const std::string& path);
// Names of the files matching the pattern ("JVR*.tmp") in a folder.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern);
// Deletes a folder and everything below it.
void DeleteTree(const std::string& folder);
// A FILETIME from its two halves.
FILETIME MakeFileTime(DWORD high, DWORD low);
bool operator==(const FILETIME& a, const FILETIME& b);
