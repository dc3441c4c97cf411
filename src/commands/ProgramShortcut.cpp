#include "commands/ProgramShortcut.h"

#include <windows.h>
#include <shlobj.h>

#include "commands/ShellLink.h"
#include "framework/ScopedHandles.h"
#include "util/FileHelpers.h"
#include "util/TextFormat.h"

namespace {

// The shortcut the product's own installer makes for the player.
const char* const PRODUCT_SHORTCUT_FILE = "Quorindo.exe.lnk";

// The shell's folder, ending with a backslash; empty when it has none.
std::string GetShellFolder(int csidl) {
    char buffer[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE)) return std::string();
    std::string folder = buffer;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

std::string ChooseProgramsFolder() {
    const std::string common = GetShellFolder(CSIDL_COMMON_PROGRAMS);
    if (common.empty()) return common;
    // The product's own shortcut tells where its installer put the product's folder.
    const std::string productShortcut = FormatText("%sQuorindo\\%s", common.c_str(), PRODUCT_SHORTCUT_FILE);
    if (FileExists(productShortcut)) return common;
    return GetShellFolder(CSIDL_PROGRAMS);
}

std::string GetProgramShortcutPath(const std::string& programsFolder, const std::string& name) {
    return FormatText("%sQuorindo\\%s.lnk", programsFolder.c_str(), name.c_str());
}

void CreateProgramShortcut(const std::string& name, const std::string& target) {
    CScopedComInit com;
    const std::string folder = ChooseProgramsFolder();
    if (folder.empty()) return;
    // Cutting the target to fit would make a shortcut to some other file.
    if (target.size() >= MAX_PATH) return;
    CreateShellLink(target, GetProgramShortcutPath(folder, name));
}

void RemoveProgramShortcut(const std::string& name) {
    CScopedComInit com;
    const std::string folder = ChooseProgramsFolder();
    if (folder.empty()) return;
    ::DeleteFileA(GetProgramShortcutPath(folder, name).c_str());
}
