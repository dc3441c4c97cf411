#include "commands/ProgramShortcut.h"

#include <windows.h>
#include <shlobj.h>

#include "commands/ShellLink.h"
#include "framework/ScopedHandles.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/HeldFolder.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// The shortcut the product's own installer makes for the player.
const char* const PRODUCT_SHORTCUT_FILE = "Quorindo.exe.lnk";

// The shell's folder, ending with a backslash; empty when it has none.
std::string GetShellFolder(int csidl) {
    char buffer[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE)) return std::string();
    return WithFinalBackslash(buffer);
}

}  // namespace

std::string ChooseProgramsFolder(ISystemCalls& calls) {
    const std::string common = GetShellFolder(CSIDL_COMMON_PROGRAMS);
    if (common.empty()) return common;
    // The product's own shortcut tells where its installer put the product's folder.
    const std::string productShortcut = FormatText("%sQuorindo\\%s", common.c_str(), PRODUCT_SHORTCUT_FILE);
    if (FileExists(calls, productShortcut)) return common;
    return GetShellFolder(CSIDL_PROGRAMS);
}

std::string GetProgramShortcutPath(const std::string& programsFolder, const std::string& name) {
    return FormatText("%sQuorindo\\%s.lnk", programsFolder.c_str(), name.c_str());
}

namespace {

// Why the Programs folder is no place for the elevated program to act in; empty when it is. The
// all-users one is the administrators'. The current user's is named by the user's own registry
// (its shell folders), so it must lie in the user's own profile, whose place only the machine's
// registry names: anywhere else, the user would choose where an elevated program writes.
std::string CheckProgramsFolder(ISystemCalls& calls, const std::string& programs) {
    if (EqualsNoCase(programs, GetShellFolder(CSIDL_COMMON_PROGRAMS))) return std::string();
    char profile[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile)) &&
        IsPlainPathInside(calls, programs, std::string(profile) + "\\"))
        return std::string();
    return FormatText("the folder %s is not in the user's profile", programs.c_str());
}

// The shortcut's file in the folder chosen for it, with that folder held as itself; an empty path
// when there is nothing to act on (no folder to choose, the product's folder missing, a name that
// names no file there). Answers why the folder cannot be acted in, empty otherwise.
std::string HoldShortcutFolder(const std::string& name, CHeldFolder& held, std::string& path, bool bToWriteIn) {
    ISystemCalls& calls = held.GetCalls();
    const std::string programs = ChooseProgramsFolder(calls);
    if (programs.empty()) return std::string();
    const std::string outside = CheckProgramsFolder(calls, programs);
    if (!outside.empty()) return outside;
    const std::string link = GetProgramShortcutPath(programs, name);
    const std::string folder = GetFolderOf(link);
    const DWORD error = held.Hold(folder, bToWriteIn);
    if (error == ERROR_SUCCESS) path = link;
    if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME)
        return std::string();
    if (error == ERROR_CANT_ACCESS_FILE) return FormatText("the folder %s is a link", folder.c_str());
    return FormatText("the folder %s cannot be held: %s", folder.c_str(), GetSystemErrorText(error).c_str());
}

std::string ShortcutFailure(const char* action, const std::string& name, const std::string& why) {
    return FormatText("%s shortcut %s failed because %s", action, name.c_str(), why.c_str());
}

// Deletes the file through a handle to the name itself, once it is seen to be a plain file.
// Answers why not, empty when it is gone or was never there.
std::string DeletePlainFile(ISystemCalls& calls, const std::string& path) {
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !calls.GetInformation(file.Get(), &info)) return std::string();  // nothing to delete
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        return FormatText("%s is not a plain file", path.c_str());
    if (calls.DeleteOpenFile(file.Get())) return std::string();
    return GetSystemErrorText(::GetLastError());
}

}  // namespace

std::string CreateProgramShortcut(ISystemCalls& calls, const std::string& name, const std::string& target) {
    CScopedComInit com;
    CHeldFolder held(calls);
    std::string link;
    const std::string why = HoldShortcutFolder(name, held, link, true);
    if (!why.empty()) return ShortcutFailure("Create", name, why);
    // Cutting the target to fit would make a shortcut to some other file.
    std::string bytes;
    if (link.empty() || target.size() >= MAX_PATH || !SaveShellLink(target, bytes)) return std::string();
    // A new file beside it, moved over the name: whatever has the name, a link included, is replaced.
    DWORD error = ERROR_SUCCESS;
    if (ReplaceFileDurably(calls, link, bytes, &error, held.GetHandle())) return std::string();
    return ShortcutFailure("Create", name, GetSystemErrorText(error));
}

std::string RemoveProgramShortcut(ISystemCalls& calls, const std::string& name) {
    CScopedComInit com;
    CHeldFolder held(calls);
    std::string link;
    std::string why = HoldShortcutFolder(name, held, link, false);
    if (why.empty() && !link.empty()) why = DeletePlainFile(calls, link);
    return why.empty() ? std::string() : ShortcutFailure("Remove", name, why);
}
