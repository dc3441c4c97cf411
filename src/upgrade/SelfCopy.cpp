#include "upgrade/SelfCopy.h"

#include <windows.h>

#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"

namespace {

std::string WithBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

bool CopySelfToUpgradeFolder(CLineSink& sink, std::string installFolder, const std::string& exeName) {
    if (installFolder.empty()) return true;
    sink.AddLine(LINE_INFO, "Is checking Quorindo upgrade...");

    const std::string target = GetUpgradeFolder(installFolder);
    // The running program's file, never written meanwhile.
    const std::string source = WithBackslash(GetModuleFolder()) + FormatText("%s.exe", exeName.c_str());
    const std::string copy = target + SELF_COPY_FILE;
    // However either path is written (8.3 names, another drive letter, a junction), the copy is
    // the running file only when both lead to one file; a link in the copy's place is no copy.
    if (!IsReparsePoint(copy) && IsSameFile(source, copy)) {
        sink.AddLine(LINE_INFO, "        Check Quorindo upgrade over.");
        return true;
    }

    sink.AddLine(LINE_INFO, "        Now will copy QuorindoUpgrade.exe to folder %s", target.c_str());
    // Written whole under a new name first: a copy cut short never takes the place RunOnce starts.
    const DWORD error = MakeUpgradeFolder(installFolder)
                            ? ReplaceWithCopy(source, FILE_SHARE_READ | FILE_SHARE_DELETE, copy)
                            : ::GetLastError();
    if (error == ERROR_SUCCESS) {
        sink.AddLine(LINE_INFO, "        Copy QuorindoUpgrade.exe to folder %s successfully", target.c_str());
        return true;
    }
    // White like the other lines of this check, although it ends the upgrade.
    sink.AddLine(LINE_INFO, "        Abort - Copy QuorindoUpgrade.exe to folder %s failed because of %s",
                 target.c_str(), GetSystemErrorText(error).c_str());
    return false;
}
