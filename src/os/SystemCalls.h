#pragma once

#include <windows.h>

// Every file-system call of an upgrade run and of a recovery, and the run's registry writes (the
// upgrade record, the RunOnce value), go through one object of this interface, which the program
// gives the run with its settings. Each method is one Win32 call, with its arguments, its answer
// and its last error: CWindowsSystemCalls makes the call, and a test layer over it can count the
// calls, fail any of them with a chosen error, or record what reaches the disk. Paths are ANSI.

// The kinds of call, for counting them and for failing the N-th of one kind.
enum SYSTEM_CALL {
    CALL_OPEN,             // CreateFileA: a file or a folder opened or made
    CALL_READ,             // ReadFile
    CALL_WRITE,            // WriteFile
    CALL_FLUSH,            // FlushFileBuffers: a file, or a volume opened as one
    CALL_SET_END,          // SetEndOfFile
    CALL_SEEK,             // SetFilePointerEx
    CALL_SET_TIME,         // SetFileTime
    CALL_GET_TIME,         // GetFileTime
    CALL_FILE_INFO,        // GetFileInformationByHandle: attributes, identity, size
    CALL_FINAL_PATH,       // GetFinalPathNameByHandleA
    CALL_DELETE_OPEN,      // SetFileInformationByHandle(FileDispositionInfo): deleted through its handle
    CALL_SECURITY,         // GetSecurityInfo: a folder's owner and access list
    CALL_CLOSE_WRITTEN,    // CloseHandle of a written file, where a full disk may show last
    CALL_ATTRIBUTES,       // GetFileAttributesA, GetFileAttributesExA
    CALL_SET_ATTRIBUTES,   // SetFileAttributesA, SetFileInformationByHandle(FileBasicInfo)
    CALL_MOVE,             // MoveFileExA
    CALL_LINK,             // CreateHardLinkA
    CALL_DELETE,           // DeleteFileA
    CALL_MAKE_FOLDER,      // CreateDirectoryA
    CALL_REMOVE_FOLDER,    // RemoveDirectoryA
    CALL_FIND,             // FindFirstFileA, FindNextFileA
    CALL_VOLUME_PATH,      // GetVolumePathNameA
    CALL_TEMP_NAME,        // GetTempFileNameA
    CALL_REGISTRY_WRITE,   // a value stored or deleted (RegCreateKeyExA with RegSetValueExA, RegDeleteValueA)
    CALL_REGISTRY_FLUSH,   // RegFlushKey
    CALL_KINDS
};

class ISystemCalls {
public:
    virtual ~ISystemCalls() = default;

    // False for a layer that must see the calls of a run in one order, one at a time: the run
    // then makes no call from more than one thread.
    virtual bool AllowsCallsFromManyThreads() const { return true; }

    // Files and folders.
    virtual HANDLE OpenFile(const char* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                            DWORD disposition, DWORD flags) = 0;
    virtual BOOL Read(HANDLE file, void* buffer, DWORD size, DWORD* read) = 0;
    virtual BOOL Write(HANDLE file, const void* buffer, DWORD size, DWORD* written) = 0;
    virtual BOOL Flush(HANDLE file) = 0;
    virtual BOOL SetEnd(HANDLE file) = 0;
    virtual BOOL Seek(HANDLE file, LONGLONG offset, DWORD method) = 0;
    virtual BOOL SetTime(HANDLE file, const FILETIME* created, const FILETIME* accessed, const FILETIME* written) = 0;
    virtual BOOL GetTime(HANDLE file, FILETIME* created, FILETIME* accessed, FILETIME* written) = 0;
    virtual BOOL GetInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) = 0;
    virtual DWORD GetFinalPathName(HANDLE file, char* buffer, DWORD size) = 0;
    virtual BOOL DeleteOpenFile(HANDLE file) = 0;
    // The owner and access list of an open file or folder, as GetSecurityInfo answers them.
    virtual DWORD GetSecurity(HANDLE file, PSECURITY_DESCRIPTOR* descriptor) = 0;
    // Closes a handle of a written file, answering whether the system took everything written.
    virtual BOOL CloseWritten(HANDLE file) = 0;
    virtual DWORD GetAttributes(const char* path) = 0;
    virtual BOOL GetAttributesEx(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) = 0;
    virtual BOOL SetAttributes(const char* path, DWORD attributes) = 0;
    // The attributes of an open file, every name of it.
    virtual BOOL SetAttributesOf(HANDLE file, DWORD attributes) = 0;
    virtual BOOL Move(const char* from, const char* to, DWORD flags) = 0;
    virtual BOOL MakeHardLink(const char* link, const char* existing) = 0;
    virtual BOOL Delete(const char* path) = 0;
    virtual BOOL MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) = 0;
    virtual BOOL RemoveFolder(const char* path) = 0;
    virtual HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* data) = 0;
    virtual BOOL FindNext(HANDLE find, WIN32_FIND_DATAA* data) = 0;
    virtual BOOL GetVolumePath(const char* path, char* volume, DWORD size) = 0;
    virtual UINT GetTempName(const char* folder, const char* prefix, UINT unique, char* name) = 0;

    // The run's registry writes, each answering the registry's status.
    virtual LONG WriteRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text) = 0;
    virtual LONG DeleteRegistryValue(HKEY hive, const char* keyPath, const char* valueName) = 0;
    virtual LONG FlushRegistryKey(HKEY hive, const char* keyPath) = 0;
};
