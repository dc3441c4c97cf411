#include "support/RecordingCalls.h"

#include <algorithm>

#include "framework/ScopedHandles.h"
#include "util/TextCompare.h"

namespace {

const char VOLUME_DEVICE[] = "\\\\.\\";

ULONGLONG IndexOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return 0;
    return (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

PATH_BEFORE LookAt(const std::string& path) {
    PATH_BEFORE before;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return before;
    before.attributes = attributes;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        before.bFolder = true;
        return before;
    }
    CScopedKernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return before;
    before.bFile = true;
    before.file = IndexOf(file.Get());
    ::GetFileTime(file.Get(), &before.created, nullptr, &before.written);
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read != 0) before.bytes.append(buffer, read);
    return before;
}

LONGLONG PositionOf(HANDLE file) {
    LARGE_INTEGER position{};
    ::SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT);
    return position.QuadPart;
}

// A value's name in the recording: the key and the value, apart.
std::string ValueId(HKEY hive, const char* keyPath, const char* valueName) {
    return std::string(hive == HKEY_LOCAL_MACHINE ? "HKLM:" : "HKCU:") + keyPath + "|" + valueName;
}

RECORDED_CHANGE MakeChange(CHANGE_KIND kind, char volume, const std::string& path = "", const std::string& other = "",
                           const std::string& bytes = "") {
    RECORDED_CHANGE change;
    change.kind = kind;
    change.volume = volume;
    change.path = path;
    change.other = other;
    change.bytes = bytes;
    return change;
}

}  // namespace

std::string PathKey(const std::string& path) { return ToLowerMb(path); }

CRecordingCalls::CRecordingCalls(ISystemCalls& below, const std::string& volumeFolder, char volume, bool bVolumesFlush)
    : CCountingCalls(below), m_strVolumeFolder(PathKey(volumeFolder)), m_volume(volume), m_bVolumesFlush(bVolumesFlush) {}

char CRecordingCalls::VolumeOf(const std::string& path) const {
    const std::string key = PathKey(path);
    if (key.compare(0, m_strVolumeFolder.size(), m_strVolumeFolder) == 0) return m_volume;
    if (key.compare(0, 4, VOLUME_DEVICE) == 0 && key.size() > 4)
        return key.substr(4) + "\\" == m_strVolumeFolder ? m_volume : char(::toupper(key[4]));
    return key.empty() ? '?' : char(::toupper(key[0]));
}

void CRecordingCalls::Remember(const std::string& path) {
    std::lock_guard<std::mutex> hold(m_lock);
    const std::string key = PathKey(path);
    if (m_before.find(key) != m_before.end()) return;
    m_before[key] = LookAt(path);
    m_before[key].path = path;
    if (m_before[key].bFile) m_before[key].file = IdentityOf(m_before[key].file, false);
}

ULONGLONG CRecordingCalls::IdentityOf(ULONGLONG index, bool bNewFile) {
    if (bNewFile) return m_identities[index] = m_nNextIdentity++;
    const auto found = m_identities.find(index);
    return found == m_identities.end() ? index : found->second;
}

void CRecordingCalls::RememberValue(const std::string& keyAndValue, HKEY hive, const char* keyPath, const char* valueName) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_before.find(keyAndValue) != m_before.end()) return;
    PATH_BEFORE& before = m_before[keyAndValue];
    before.path = keyAndValue;
    char text[4096] = {};
    DWORD size = sizeof text;
    before.bFile = ::RegGetValueA(hive, keyPath, valueName, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS;
    if (before.bFile) before.bytes = text;
}

void CRecordingCalls::Record(RECORDED_CHANGE change) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_bRecording) m_changes.push_back(std::move(change));
}

CRecordingCalls::OPEN_FILE CRecordingCalls::OpenFileOf(HANDLE file) {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_open.find(file);
    return found == m_open.end() ? OPEN_FILE{"", 0, false, false} : found->second;
}

RECORDED_CHANGE CRecordingCalls::ChangeOf(CHANGE_KIND kind, HANDLE file) {
    const OPEN_FILE open = OpenFileOf(file);
    RECORDED_CHANGE change = MakeChange(kind, VolumeOf(open.path), open.path);
    change.file = open.file;
    return change;
}

HANDLE CRecordingCalls::OpenFile(const char* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                                 DWORD disposition, DWORD flags) {
    const std::string name = path;
    const bool bVolume = name.compare(0, 4, VOLUME_DEVICE) == 0;
    if (bVolume && m_bVolumesFlush) {
        // Stands for the volume: its flush is answered here.
        HANDLE stand = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        std::lock_guard<std::mutex> hold(m_lock);
        m_open[stand] = {name, 0, false, true};
        return stand;
    }
    const bool bWrites = (access & (GENERIC_WRITE | FILE_WRITE_DATA | GENERIC_ALL)) != 0 || disposition != OPEN_EXISTING;
    if (bWrites && !bVolume) Remember(name);
    const bool bExisted = ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    HANDLE file = CCountingCalls::OpenFile(path, access, share, security, disposition, flags);
    if (file == INVALID_HANDLE_VALUE || bVolume) return file;
    const DWORD error = ::GetLastError();
    const bool bFolder = (flags & FILE_FLAG_BACKUP_SEMANTICS) && (::GetFileAttributesA(path) & FILE_ATTRIBUTE_DIRECTORY);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_open[file] = {name, bFolder ? 0 : IdentityOf(IndexOf(file), !bExisted), bFolder, false};
    }
    const bool bEmptied = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING ||
                          (!bExisted && (disposition == CREATE_NEW || disposition == OPEN_ALWAYS));
    if (bEmptied) Record(ChangeOf(CHANGE_CREATE, file));
    ::SetLastError(error);
    return file;
}

BOOL CRecordingCalls::Write(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
    RECORDED_CHANGE change = ChangeOf(CHANGE_WRITE, file);
    change.offset = PositionOf(file);
    const BOOL done = CCountingCalls::Write(file, buffer, size, written);
    if (done && *written != 0) {
        change.bytes.assign(static_cast<const char*>(buffer), *written);
        Record(change);
    }
    return done;
}

BOOL CRecordingCalls::Flush(HANDLE file) {
    const OPEN_FILE open = OpenFileOf(file);
    if (open.bVolume) {
        Record(MakeChange(CHANGE_FLUSH_VOLUME, VolumeOf(open.path)));
        return TRUE;
    }
    const BOOL done = CCountingCalls::Flush(file);
    if (done) Record(ChangeOf(open.bFolder ? CHANGE_FLUSH_FOLDER : CHANGE_FLUSH_FILE, file));
    return done;
}

BOOL CRecordingCalls::SetEnd(HANDLE file) {
    RECORDED_CHANGE change = ChangeOf(CHANGE_SET_END, file);
    change.offset = PositionOf(file);
    const BOOL done = CCountingCalls::SetEnd(file);
    if (done) Record(change);
    return done;
}

BOOL CRecordingCalls::SetTime(HANDLE file, const FILETIME* created, const FILETIME* accessed, const FILETIME* written) {
    const BOOL done = CCountingCalls::SetTime(file, created, accessed, written);
    if (!done) return done;
    RECORDED_CHANGE change = ChangeOf(CHANGE_SET_TIME, file);
    ::GetFileTime(file, &change.created, nullptr, &change.written);
    Record(change);
    return done;
}

BOOL CRecordingCalls::DeleteOpenFile(HANDLE file) {
    RECORDED_CHANGE change = ChangeOf(CHANGE_DELETE, file);
    const BOOL done = CCountingCalls::DeleteOpenFile(file);
    if (done) Record(change);
    return done;
}

BOOL CRecordingCalls::SetAttributes(const char* path, DWORD attributes) {
    Remember(path);
    const BOOL done = CCountingCalls::SetAttributes(path, attributes);
    if (done) {
        RECORDED_CHANGE change = MakeChange(CHANGE_SET_ATTRIBUTES, VolumeOf(path), path);
        change.attributes = attributes;
        Record(change);
    }
    return done;
}

BOOL CRecordingCalls::SetAttributesOf(HANDLE file, DWORD attributes) {
    const BOOL done = CCountingCalls::SetAttributesOf(file, attributes);
    if (done) {
        RECORDED_CHANGE change = ChangeOf(CHANGE_SET_ATTRIBUTES, file);
        change.path.clear();
        change.attributes = attributes;
        Record(change);
    }
    return done;
}

BOOL CRecordingCalls::Move(const char* from, const char* to, DWORD flags) {
    // A folder that stands for a volume is one: no name moves to another, and no link reaches one.
    if (VolumeOf(from) != VolumeOf(to)) {
        ::SetLastError(ERROR_NOT_SAME_DEVICE);
        return FALSE;
    }
    Remember(from);
    Remember(to);
    const BOOL done = CCountingCalls::Move(from, to, flags);
    if (done) Record(MakeChange(CHANGE_MOVE, VolumeOf(to), from, to));
    return done;
}

BOOL CRecordingCalls::MakeHardLink(const char* link, const char* existing) {
    if (VolumeOf(link) != VolumeOf(existing)) {
        ::SetLastError(ERROR_NOT_SAME_DEVICE);
        return FALSE;
    }
    Remember(link);
    Remember(existing);
    const BOOL done = CCountingCalls::MakeHardLink(link, existing);
    if (done) Record(MakeChange(CHANGE_LINK, VolumeOf(link), link, existing));
    return done;
}

BOOL CRecordingCalls::RecordIfDone(BOOL done, CHANGE_KIND kind, const char* path) {
    if (done) Record(MakeChange(kind, VolumeOf(path), path));
    return done;
}

BOOL CRecordingCalls::Delete(const char* path) {
    Remember(path);
    return RecordIfDone(CCountingCalls::Delete(path), CHANGE_DELETE, path);
}

BOOL CRecordingCalls::MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) {
    Remember(path);
    const BOOL done = CCountingCalls::MakeFolder(path, security);
    if (!done) return done;
    RECORDED_CHANGE change = MakeChange(CHANGE_MAKE_FOLDER, VolumeOf(path), path);
    // Made again as it was: the next start believes a work folder only with its own access list.
    if (security && security->lpSecurityDescriptor) {
        PSECURITY_DESCRIPTOR descriptor = security->lpSecurityDescriptor;
        DWORD size = 0;
        ::MakeSelfRelativeSD(descriptor, nullptr, &size);
        change.bytes.resize(size);
        if (!::MakeSelfRelativeSD(descriptor, change.bytes.data(), &size)) {
            change.bytes.assign(static_cast<const char*>(descriptor), ::GetSecurityDescriptorLength(descriptor));
        }
    }
    Record(change);
    return done;
}

BOOL CRecordingCalls::RemoveFolder(const char* path) {
    Remember(path);
    return RecordIfDone(CCountingCalls::RemoveFolder(path), CHANGE_REMOVE_FOLDER, path);
}

BOOL CRecordingCalls::GetVolumePath(const char* path, char* volume, DWORD size) {
    if (VolumeOf(path) != m_volume || m_strVolumeFolder.size() >= size) return CCountingCalls::GetVolumePath(path, volume, size);
    CCountingCalls::GetVolumePath(path, volume, size);  // counted as any other
    const std::string folder = std::string(path).substr(0, m_strVolumeFolder.size());
    std::copy(folder.begin(), folder.end(), volume);
    volume[folder.size()] = '\0';
    return TRUE;
}

LONG CRecordingCalls::WriteRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text) {
    const std::string key = ValueId(hive, keyPath, valueName);
    RememberValue(key, hive, keyPath, valueName);
    const LONG status = CCountingCalls::WriteRegistryString(hive, keyPath, valueName, text);
    if (status == ERROR_SUCCESS) Record(MakeChange(CHANGE_REGISTRY, 'R', key, "", text));
    return status;
}

LONG CRecordingCalls::DeleteRegistryValue(HKEY hive, const char* keyPath, const char* valueName) {
    const std::string key = ValueId(hive, keyPath, valueName);
    RememberValue(key, hive, keyPath, valueName);
    const LONG status = CCountingCalls::DeleteRegistryValue(hive, keyPath, valueName);
    if (status == ERROR_SUCCESS) {
        RECORDED_CHANGE change = MakeChange(CHANGE_REGISTRY, 'R', key);
        change.bDeleted = true;
        Record(change);
    }
    return status;
}
