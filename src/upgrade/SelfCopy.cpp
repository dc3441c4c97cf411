#include "upgrade/SelfCopy.h"

#include <windows.h>

#include "system/OwnProgramFile.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"

bool CopySelfToUpgradeFolder(ISystemCalls& calls, CLineSink& sink, std::string installFolder,
                             const COwnProgramFile& self) {
    if (installFolder.empty()) return true;
    sink.AddLine(LINE_INFO, "Is checking Quorindo upgrade...");

    const std::string target = GetUpgradeFolder(installFolder);
    const std::string copy = target + SELF_COPY_FILE;
    // However the copy's path is written (8.3 names, another drive letter, a junction), it is the
    // running file only when both are one file; a link in the copy's place is no copy.
    if (self.Get() != nullptr && !IsReparsePoint(calls, copy) && IsSameFile(calls, self.Get(), copy)) {
        sink.AddLine(LINE_INFO, "        Check Quorindo upgrade over.");
        return true;
    }

    sink.AddLine(LINE_INFO, "        Now will copy QuorindoUpgrade.exe to folder %s", target.c_str());
    // Written whole under a new name first: a copy cut short never takes the place RunOnce starts.
    std::string reason = self.GetError();
    if (reason.empty()) {
        const DWORD error =
            MakeUpgradeFolder(calls, installFolder) ? ReplaceWithCopy(calls, self.Get(), copy) : ::GetLastError();
        if (error != ERROR_SUCCESS) reason = GetSystemErrorText(error);
    }
    if (reason.empty()) {
        sink.AddLine(LINE_INFO, "        Copy QuorindoUpgrade.exe to folder %s successfully", target.c_str());
        return true;
    }
    // White like the other lines of this check, although it ends the upgrade.
    sink.AddLine(LINE_INFO, "        Abort - Copy QuorindoUpgrade.exe to folder %s failed because of %s",
                 target.c_str(), reason.c_str());
    return false;
}
