#include "support/CrashState.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "framework/ScopedHandles.h"
#include "support/ScratchFolder.h"
#include "support/TestCalls.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"

namespace {

bool IsSet(const FILETIME& time) { return time.dwLowDateTime != 0 || time.dwHighDateTime != 0; }

// The changes a file's own flush makes durable with it, whatever happens to the names around it.
bool IsFileContent(CHANGE_KIND kind) { return kind == CHANGE_WRITE || kind == CHANGE_SET_END || kind == CHANGE_SET_TIME; }

class CCrashModel {
public:
    CCrashModel(const CRecordingCalls& recording, const POWER_CUT& cut, char installVolume)
        : m_changes(recording.GetChanges()), m_cut(cut), m_installVolume(installVolume) {
        for (const auto& [key, before] : recording.GetPathsBefore()) Start(key, before);
    }

    CRASH_STATE Build() {
        for (size_t i = 0; i < m_cut.changes; ++i) {
            const RECORDED_CHANGE& change = m_changes[i];
            if (change.kind >= CHANGE_FLUSH_FILE) continue;
            if (change.kind == CHANGE_REGISTRY || Survives(i)) Apply(change, m_cut.bDataKept || IsDataFlushed(i));
        }
        return m_state;
    }

private:
    void Start(const std::string& key, const PATH_BEFORE& before) {
        if (key.find(':') == 4 && key.find('|') != std::string::npos) {
            m_state.values[key] = before.bFile ? std::optional<std::string>(before.bytes) : std::nullopt;
        } else if (before.bFolder) {
            m_state.folders[key] = before.path.empty() ? key : before.path;
        } else if (before.bFile) {
            m_state.names[key] = {before.path, before.file};
            m_state.files.emplace(before.file, MODEL_FILE{before.bytes, before.created, before.written, before.attributes});
        }
    }
    // Each volume keeps every change up to its last flush before the cut; the longest prefix keeps all.
    bool Survives(size_t i) const {
        const char volume = m_changes[i].volume;
        if (volume == m_installVolume ? m_cut.bLongestOnDisk : m_cut.bLongestElsewhere) return true;
        for (size_t j = i + 1; j < m_cut.changes; ++j) {
            const RECORDED_CHANGE& later = m_changes[j];
            if (later.volume != volume) continue;
            if (later.kind == CHANGE_FLUSH_VOLUME || later.kind == CHANGE_FLUSH_FOLDER) return true;
            if (later.kind == CHANGE_FLUSH_FILE && IsFileContent(m_changes[i].kind) && later.file == m_changes[i].file)
                return true;
        }
        return false;
    }
    bool IsDataFlushed(size_t i) const {
        for (size_t j = i + 1; j < m_cut.changes; ++j) {
            const RECORDED_CHANGE& later = m_changes[j];
            if (later.volume == m_changes[i].volume &&
                (later.kind == CHANGE_FLUSH_VOLUME || (later.kind == CHANGE_FLUSH_FILE && later.file == m_changes[i].file)))
                return true;
        }
        return false;
    }
    MODEL_FILE* FileNamed(const std::string& path) {
        const auto name = m_state.names.find(PathKey(path));
        return name == m_state.names.end() ? nullptr : &m_state.files[name->second.file];
    }
    void Apply(const RECORDED_CHANGE& change, bool bDataKept) {
        const std::string key = PathKey(change.path);
        switch (change.kind) {
        case CHANGE_CREATE:
            m_state.names[key] = {change.path, change.file};
            m_state.files[change.file] = MODEL_FILE{};
            break;
        case CHANGE_WRITE: {
            std::string& bytes = m_state.files[change.file].bytes;
            const size_t end = size_t(change.offset) + change.bytes.size();
            if (bytes.size() < end) bytes.resize(end, '\0');
            const std::string kept = bDataKept ? change.bytes : std::string(change.bytes.size(), '\0');
            bytes.replace(size_t(change.offset), kept.size(), kept);
            break;
        }
        case CHANGE_SET_END:
            m_state.files[change.file].bytes.resize(size_t(change.offset), '\0');
            break;
        case CHANGE_SET_TIME:
            m_state.files[change.file].created = change.created;
            m_state.files[change.file].written = change.written;
            break;
        case CHANGE_SET_ATTRIBUTES:
            if (MODEL_FILE* file = change.path.empty() ? &m_state.files[change.file] : FileNamed(change.path))
                file->attributes = change.attributes;
            break;
        case CHANGE_MOVE: {
            const auto from = m_state.names.find(key);
            if (from == m_state.names.end()) break;
            const MODEL_NAME moved{change.other, from->second.file};
            m_state.names.erase(from);
            m_state.names[PathKey(change.other)] = moved;
            break;
        }
        case CHANGE_LINK: {
            const auto existing = m_state.names.find(PathKey(change.other));
            if (existing != m_state.names.end()) m_state.names[key] = {change.path, existing->second.file};
            break;
        }
        case CHANGE_DELETE: m_state.names.erase(key); break;
        case CHANGE_MAKE_FOLDER: m_state.folders[key] = change.path + '\n' + change.bytes; break;
        case CHANGE_REMOVE_FOLDER: m_state.folders.erase(key); break;
        case CHANGE_REGISTRY:
            m_state.values[change.path] = change.bDeleted ? std::nullopt : std::optional<std::string>(change.bytes);
            break;
        default: break;
        }
    }

    const std::vector<RECORDED_CHANGE>& m_changes;
    const POWER_CUT m_cut;
    const char m_installVolume;
    CRASH_STATE m_state;
};

std::string FolderPath(const std::string& folder) { return folder.substr(0, folder.find('\n')); }

void MakeFolder(const std::string& folder) {
    const std::string path = FolderPath(folder);
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    const size_t split = folder.find('\n');
    std::string security = split == std::string::npos ? std::string() : folder.substr(split + 1);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.empty() ? nullptr : security.data(), FALSE};
    ::CreateDirectoryA(path.c_str(), &attributes);
}

void DeletePath(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return DeleteTree(WithFinalBackslash(path));
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
}

bool HoldsFile(const std::string& path, const MODEL_FILE& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != (file.attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    if (IsSet(file.written) && ::CompareFileTime(&data.ftLastWriteTime, &file.written) != 0) return false;
    return ReadFileBytes(path) == file.bytes;
}

void WriteModelFile(const std::string& path, const MODEL_FILE& file) {
    CScopedKernelHandle handle(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    DWORD written = 0;
    if (!file.bytes.empty()) ::WriteFile(handle.Get(), file.bytes.data(), DWORD(file.bytes.size()), &written, nullptr);
    if (IsSet(file.written)) ::SetFileTime(handle.Get(), IsSet(file.created) ? &file.created : nullptr, nullptr, &file.written);
}

void PutFileInPlace(const std::vector<std::string>& paths, const MODEL_FILE& file) {
    bool whole = HoldsFile(paths[0], file);
    for (size_t i = 1; whole && i < paths.size(); ++i) whole = IsSameFile(TestCalls(), paths[0], paths[i]);
    if (whole) return;
    for (const std::string& path : paths) DeletePath(path);
    WriteModelFile(paths[0], file);
    for (size_t i = 1; i < paths.size(); ++i) ::CreateHardLinkA(paths[i].c_str(), paths[0].c_str(), nullptr);
    if (file.attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesA(paths[0].c_str(), FILE_ATTRIBUTE_READONLY);
}

void PutValueInPlace(const std::string& id, const std::optional<std::string>& text) {
    const HKEY hive = id.compare(0, 4, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const size_t bar = id.find('|');
    const std::string key = id.substr(5, bar - 5), value = id.substr(bar + 1);
    if (text) TestCalls().WriteRegistryString(hive, key.c_str(), value.c_str(), text->c_str());
    else TestCalls().DeleteRegistryValue(hive, key.c_str(), value.c_str());
}

}  // namespace

CRASH_STATE BuildCrashState(const CRecordingCalls& recording, const POWER_CUT& cut, char installVolume) {
    return CCrashModel(recording, cut, installVolume).Build();
}

std::string DescribeCrashState(const CRASH_STATE& state) {
    std::string text;
    for (const auto& [key, name] : state.names) {
        const MODEL_FILE& file = state.files.at(name.file);
        text += key + ' ' + std::to_string(name.file) + ' ' + std::to_string(std::hash<std::string>()(file.bytes)) + ' ' +
                std::to_string(file.bytes.size()) + ' ' + std::to_string(file.written.dwLowDateTime) + ' ' +
                std::to_string(file.attributes & FILE_ATTRIBUTE_READONLY) + '\n';
    }
    for (const auto& [key, folder] : state.folders) text += key + "\\\n";
    for (const auto& [id, value] : state.values) text += id + '=' + value.value_or("(none)") + '\n';
    return text;
}

void PutCrashStateInPlace(const CRASH_STATE& state, const CRecordingCalls& recording) {
    for (const auto& [id, value] : state.values) PutValueInPlace(id, value);
    std::vector<std::string> folders;
    for (const auto& entry : state.folders) folders.push_back(entry.second);
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        return FolderPath(a).size() < FolderPath(b).size();
    });
    for (const std::string& folder : folders) MakeFolder(folder);

    std::map<ULONGLONG, std::vector<std::string>> pathsOfFile;
    for (const auto& [key, name] : state.names) pathsOfFile[name.file].push_back(name.path);
    // Every other path the recording touched holds nothing, folders last, the deepest first.
    std::vector<std::string> gone;
    for (const auto& [key, before] : recording.GetPathsBefore())
        if (!state.values.count(key) && !state.names.count(key) && !state.folders.count(key)) gone.push_back(before.path);
    std::sort(gone.begin(), gone.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& path : gone)
        if (!(::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)) DeletePath(path);
    for (const auto& [file, paths] : pathsOfFile) PutFileInPlace(paths, state.files.at(file));
    for (const std::string& path : gone) DeletePath(path);
}
