#include "util/WriteRule.h"

#include <cctype>
#include <cstring>

#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// Names the system takes for devices wherever they stand in a path, with any extension.
const char* const DEVICE_NAMES[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
const char* const NUMBERED_DEVICES[] = {"COM", "LPT"};
const char NOT_IN_NAMES[] = "<>:\"/\\|?*";

bool IsDeviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : DEVICE_NAMES)
        if (EqualsNoCase(base, device)) return true;
    for (const char* device : NUMBERED_DEVICES)
        if (base.size() == 4 && EqualsNoCase(base.substr(0, 3), device) &&
            std::isdigit(static_cast<unsigned char>(base[3])))
            return true;
    return false;
}

bool IsPlainName(const std::string& component) {
    if (component.empty() || component.back() == '.' || component.back() == ' ') return false;
    // By characters: the second byte of a double-byte character may be a backslash or a bar.
    for (size_t i = 0, next; i < component.size(); i = next) {
        next = NextCharAt(component, i);
        const char c = component[i];
        if (next == i + 1 && (static_cast<unsigned char>(c) < 0x20 || std::strchr(NOT_IN_NAMES, c) != nullptr))
            return false;
    }
    return !IsDeviceName(component);
}

// A path of plain names joined by backslashes, without a leading or trailing one.
bool IsPlainRelativePath(const std::string& path) {
    for (const std::string& component : SplitPathComponents(path))
        if (!IsPlainName(component)) return false;
    return true;
}

// "X:\" and a plain relative path after it.
bool IsPlainFullPath(const std::string& path) {
    return path.size() > 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\' &&
           IsPlainRelativePath(path.substr(3));
}

bool IsPlainAfterToken(PATH_TOKEN token, const std::string& rest) {
    return token != TOKEN_NONE && IsPlainRelativePath(rest);
}

bool IsBelow(ISystemCalls& calls, const std::string& path, const std::string& folder) {
    return !folder.empty() && IsPlainPathInside(calls, path, folder);
}

}  // namespace

bool IsPlainStoredPath(const std::string& storedPath) {
    std::string rest;
    const PATH_TOKEN token = SplitPathToken(storedPath, rest);
    return IsPlainAfterToken(token, rest);
}

std::string ResolveStoredPath(ISystemCalls& calls, const std::string& storedPath, const WRITE_FOLDERS& folders) {
    std::string rest;
    const PATH_TOKEN token = SplitPathToken(storedPath, rest);
    if (token == TOKEN_NONE) return IsPlainFullPath(rest) && IsWritablePath(calls, rest, folders) ? rest : std::string();
    const std::string* folder = FolderOfToken(token, folders);
    if (folder == nullptr || folder->empty() || !IsPlainAfterToken(token, rest)) return std::string();
    const std::string path = *folder + rest;
    return IsWritablePath(calls, path, folders) ? path : std::string();
}

bool IsWritablePath(ISystemCalls& calls, const std::string& path, const WRITE_FOLDERS& folders) {
    if (!IsPlainFullPath(path)) return false;
    for (const std::string* folder :
         {&folders.strInstall, &folders.strWindows, &folders.strWindowsDisk, &folders.strWork})
        if (IsBelow(calls, path, *folder)) return true;
    return false;
}

std::string FormatPathOutsideRule(const std::string& storedPath) {
    return FormatText("The path %s is outside the folders a package may write to", storedPath.c_str());
}
