#include "util/PathParts.h"

#include <windows.h>

#include "framework/WinApp.h"

namespace {

const size_t MAX_DRIVE = 2;
const size_t MAX_PART = 255;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

void Store(std::string* out, const std::string& text, size_t limit) {
    if (out) *out = text.substr(0, limit);
}

}  // namespace

void SplitPath(const std::string& path, std::string* drive, std::string* dir, std::string* name,
               std::string* ext) {
    size_t pos = 0;
    std::string driveText;
    if (path.size() >= 2 && path[1] == ':' && !::IsDBCSLeadByte(static_cast<BYTE>(path[0]))) {
        driveText = path.substr(0, 2);
        pos = 2;
    }
    // Find the last separator and the last dot after it, stepping over double-byte characters
    // whose second byte may look like a backslash.
    size_t lastSeparator = std::string::npos;
    size_t lastDot = std::string::npos;
    for (size_t i = pos; i < path.size(); ++i) {
        const char c = path[i];
        if (::IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (IsSeparator(c)) {
            lastSeparator = i;
            lastDot = std::string::npos;
        } else if (c == '.') {
            lastDot = i;
        }
    }
    const size_t nameStart = (lastSeparator == std::string::npos) ? pos : lastSeparator + 1;
    const size_t nameEnd = (lastDot == std::string::npos) ? path.size() : lastDot;
    Store(drive, driveText, MAX_DRIVE);
    Store(dir, path.substr(pos, nameStart - pos), MAX_PART);
    Store(name, path.substr(nameStart, nameEnd - nameStart), MAX_PART);
    Store(ext, path.substr(nameEnd), MAX_PART);
}

std::string GetFileNameOf(const std::string& path) {
    std::string name;
    std::string ext;
    SplitPath(path, nullptr, nullptr, &name, &ext);
    return name + ext;
}

std::string GetModuleFolder() {
    std::string folder = GetFolderOf(GetRunningProgramPath());
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

std::string GetFullPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer, length);
}

std::string GetFolderOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}
