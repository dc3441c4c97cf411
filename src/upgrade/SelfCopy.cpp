#include "upgrade/SelfCopy.h"

#include <windows.h>

#include "util/FileErrors.h"
#include "util/LineSink.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

std::string WithBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

std::string GetUpgradeFolder(std::string installFolder) { return WithBackslash(std::move(installFolder)) + "Upgrade\\"; }

bool CopySelfToUpgradeFolder(CLineSink& sink, std::string installFolder, const std::string& exeName) {
    if (installFolder.empty()) return true;
    sink.AddLine(LINE_INFO, "Is checking Quorindo upgrade...");

    const std::string target = GetUpgradeFolder(installFolder);
    const std::string ownFolder = WithBackslash(GetModuleFolder());
    if (EqualsNoCase(ownFolder, target)) {
        sink.AddLine(LINE_INFO, "        Check Quorindo upgrade over.");
        return true;
    }

    sink.AddLine(LINE_INFO, "        Now will copy QuorindoUpgrade.exe to folder %s", target.c_str());
    // Usually it exists from an earlier upgrade; if it cannot be made, the copy says why.
    ::CreateDirectoryA(target.c_str(), nullptr);
    const std::string source = ownFolder + FormatText("%s.exe", exeName.c_str());
    const std::string destination = target + SELF_COPY_FILE;
    if (::CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
        sink.AddLine(LINE_INFO, "        Copy QuorindoUpgrade.exe to folder %s successfully", target.c_str());
        return true;
    }
    const DWORD error = ::GetLastError();
    // White like the other lines of this check, although it ends the upgrade.
    sink.AddLine(LINE_INFO, "        Abort - Copy QuorindoUpgrade.exe to folder %s failed because of %s",
                 target.c_str(), GetSystemErrorText(error).c_str());
    return false;
}
