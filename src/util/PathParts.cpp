#include "util/PathParts.h"

#include <windows.h>

#include "framework/WinApp.h"

namespace {

const size_t MAX_DRIVE = 2;
const size_t MAX_PART = 255;

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
    // The last separator, and the last dot after it: a dot is never the second byte of a character.
    const size_t lastSeparator = FindLastSeparator(path);
    size_t lastDot = std::string::npos;
    for (size_t i = lastSeparator == std::string::npos ? pos : lastSeparator + 1; i < path.size();
         i = NextCharAt(path, i))
        if (path[i] == '.') lastDot = i;
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
    const std::string folder = GetFolderOf(GetRunningProgramPath());
    return folder.empty() ? "\\" : folder;
}

std::string GetFullPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer, length);
}

std::string GetFolderOf(const std::string& path) {
    const size_t separator = FindLastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string WithFinalBackslash(std::string folder) {
    if (!folder.empty() && !EndsWithSeparator(folder)) folder += '\\';
    return folder;
}

std::string WithoutFinalBackslash(std::string path) {
    const bool bRoot = path.size() == 3 && path[1] == ':';
    if (!bRoot && path.size() > 1 && EndsWithSeparator(path)) path.pop_back();
    return path;
}

std::vector<std::string> SplitPathComponents(const std::string& path) {
    std::vector<std::string> components;
    size_t start = 0;
    for (size_t slash = FindSeparator(path, 0, false);; slash = FindSeparator(path, start, false)) {
        components.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) return components;
        start = slash + 1;
    }
}
