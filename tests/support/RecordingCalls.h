#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "os/CountingCalls.h"

// What a call changed on a volume, or made durable there, in the order the calls returned.
enum CHANGE_KIND {
    CHANGE_CREATE,         // path: a new or emptied file (file)
    CHANGE_WRITE,          // file, offset, bytes
    CHANGE_SET_END,        // file, offset: its new length
    CHANGE_SET_TIME,       // file, times
    CHANGE_SET_ATTRIBUTES, // path (or file, when path is empty), attributes
    CHANGE_MOVE,           // path to other
    CHANGE_LINK,           // path: a new name of other
    CHANGE_DELETE,         // path
    CHANGE_MAKE_FOLDER,    // path, security
    CHANGE_REMOVE_FOLDER,  // path
    CHANGE_REGISTRY,       // path: key\value, bytes: its text; bDeleted: removed
    CHANGE_FLUSH_FILE,     // file
    CHANGE_FLUSH_FOLDER,   // path
    CHANGE_FLUSH_VOLUME,
};

struct RECORDED_CHANGE {
    CHANGE_KIND kind = CHANGE_CREATE;
    char volume = '?';  // 'R' for the registry
    std::string path, other, bytes;
    ULONGLONG file = 0;  // the file's index on its volume
    LONGLONG offset = 0;
    FILETIME created{}, written{};
    DWORD attributes = 0;
    bool bDeleted = false;
};

// What a path held before the first recorded change to it.
struct PATH_BEFORE {
    std::string path;  // as the program named it
    bool bFile = false, bFolder = false;
    ULONGLONG file = 0;
    std::string bytes;
    FILETIME created{}, written{};
    DWORD attributes = 0;
};

// The test layer that records every call changing a volume or the registry, with its volume, and
// every flush, after it succeeded; and what each path held before its first change. A folder may
// stand for a volume of its own. Where volumes can be flushed, the flush of a volume is answered
// here, as Windows answers it; otherwise it is refused, as Wine refuses it.
class CRecordingCalls : public CCountingCalls {
public:
    CRecordingCalls(ISystemCalls& below, const std::string& volumeFolder, char volume, bool bVolumesFlush);

    // Changes made from now on are not recorded; the paths they touch are still remembered.
    void StopRecording() { m_bRecording = false; }
    const std::vector<RECORDED_CHANGE>& GetChanges() const { return m_changes; }
    const std::map<std::string, PATH_BEFORE>& GetPathsBefore() const { return m_before; }
    char VolumeOf(const std::string& path) const;

    HANDLE OpenFile(const char* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                    DWORD flags) override;
    BOOL Write(HANDLE file, const void* buffer, DWORD size, DWORD* written) override;
    BOOL Flush(HANDLE file) override;
    BOOL SetEnd(HANDLE file) override;
    BOOL SetTime(HANDLE file, const FILETIME* created, const FILETIME* accessed, const FILETIME* written) override;
    BOOL DeleteOpenFile(HANDLE file) override;
    BOOL SetAttributes(const char* path, DWORD attributes) override;
    BOOL SetAttributesOf(HANDLE file, DWORD attributes) override;
    BOOL Move(const char* from, const char* to, DWORD flags) override;
    BOOL MakeHardLink(const char* link, const char* existing) override;
    BOOL Delete(const char* path) override;
    BOOL MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) override;
    BOOL RemoveFolder(const char* path) override;
    BOOL GetVolumePath(const char* path, char* volume, DWORD size) override;
    LONG WriteRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text) override;
    LONG DeleteRegistryValue(HKEY hive, const char* keyPath, const char* valueName) override;

private:
    struct OPEN_FILE {
        std::string path;
        ULONGLONG file;
        bool bFolder, bVolume;
    };
    void Remember(const std::string& path);
    void RememberValue(const std::string& keyAndValue, HKEY hive, const char* keyPath, const char* valueName);
    void Record(RECORDED_CHANGE change);
    // A call on one path: recorded once it succeeded; answers what the call answered.
    BOOL RecordIfDone(BOOL done, CHANGE_KIND kind, const char* path);
    RECORDED_CHANGE ChangeOf(CHANGE_KIND kind, HANDLE file);
    OPEN_FILE OpenFileOf(HANDLE file);
    ULONGLONG IdentityOf(ULONGLONG index, bool bNewFile);

    const std::string m_strVolumeFolder;
    const char m_volume;
    const bool m_bVolumesFlush;
    bool m_bRecording = true;
    std::mutex m_lock;  // the install pass's workers call from their own threads
    std::vector<RECORDED_CHANGE> m_changes;
    std::map<std::string, PATH_BEFORE> m_before;  // by the path in lower case
    std::map<HANDLE, OPEN_FILE> m_open;
    // The file system reuses the index of a deleted file for a new one: each new file gets an
    // identity of its own, so a name the cut keeps never leads to a later file's data.
    std::map<ULONGLONG, ULONGLONG> m_identities;
    ULONGLONG m_nNextIdentity = 1ULL << 62;
};

// The lower-case form the recording keys its paths by.
std::string PathKey(const std::string& path);
