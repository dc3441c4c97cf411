#pragma once

#include "os/SystemCalls.h"

// The system calls of the program we ship: each method makes its Win32 call and nothing else.
class CWindowsSystemCalls : public ISystemCalls {
public:
    HANDLE OpenFile(const char* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                    DWORD flags) override;
    BOOL Read(HANDLE file, void* buffer, DWORD size, DWORD* read) override;
    BOOL Write(HANDLE file, const void* buffer, DWORD size, DWORD* written) override;
    BOOL Flush(HANDLE file) override;
    BOOL SetEnd(HANDLE file) override;
    BOOL Seek(HANDLE file, LONGLONG offset, DWORD method) override;
    BOOL SetTime(HANDLE file, const FILETIME* created, const FILETIME* accessed, const FILETIME* written) override;
    BOOL GetTime(HANDLE file, FILETIME* created, FILETIME* accessed, FILETIME* written) override;
    BOOL GetInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) override;
    DWORD GetFinalPathName(HANDLE file, char* buffer, DWORD size) override;
    BOOL DeleteOpenFile(HANDLE file) override;
    DWORD GetSecurity(HANDLE file, PSECURITY_DESCRIPTOR* descriptor) override;
    BOOL CloseWritten(HANDLE file) override;
    DWORD GetAttributes(const char* path) override;
    BOOL GetAttributesEx(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) override;
    BOOL SetAttributes(const char* path, DWORD attributes) override;
    BOOL SetAttributesOf(HANDLE file, DWORD attributes) override;
    BOOL Move(const char* from, const char* to, DWORD flags) override;
    BOOL MakeHardLink(const char* link, const char* existing) override;
    BOOL Delete(const char* path) override;
    BOOL MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) override;
    BOOL RemoveFolder(const char* path) override;
    HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* data) override;
    BOOL FindNext(HANDLE find, WIN32_FIND_DATAA* data) override;
    BOOL GetVolumePath(const char* path, char* volume, DWORD size) override;
    UINT GetTempName(const char* folder, const char* prefix, UINT unique, char* name) override;
    LONG WriteRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text) override;
    LONG DeleteRegistryValue(HKEY hive, const char* keyPath, const char* valueName) override;
    LONG FlushRegistryKey(HKEY hive, const char* keyPath) override;
};

// The registry writes, for the registry access of the rest of the program too: one way each is made.
// Stores the text as REG_SZ with its terminating NUL, making the key and its parents.
LONG StoreRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text);
// Stores a REG_DWORD in a key that exists already: a key of another program is never made.
LONG StoreRegistryDwordInExistingKey(HKEY hive, const char* keyPath, const char* valueName, DWORD value);
// Deletes the value; a value or key that is not there counts as deleted.
LONG RemoveRegistryValue(HKEY hive, const char* keyPath, const char* valueName);
// Writes the key's hive to the disk now.
LONG FlushRegistryHive(HKEY hive, const char* keyPath);
