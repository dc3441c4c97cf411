#include "upgrade/SelfCopy.h"

#include <windows.h>

#include "framework/ScopedHandles.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

std::string WithBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

// Copies the running program over the target, which is never followed through a link.
// Answers the system's error, ERROR_SUCCESS on success.
DWORD CopyOwnFile(const std::string& source, const std::string& target) {
    CScopedKernelHandle from(::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return ::GetLastError();
    CScopedKernelHandle to = OpenFileNoLink(target, GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (!to) return ::GetLastError();
    const DWORD error = CopyFileData(from.Get(), to.Get());
    if (!CloseWrittenFile(to) && error == ERROR_SUCCESS) return ::GetLastError();
    return error;
}

}  // namespace

std::string GetUpgradeFolder(std::string installFolder) { return WithBackslash(std::move(installFolder)) + "Upgrade\\"; }

bool MakeUpgradeFolder(const std::string& installFolder) {
    const std::string folder = GetUpgradeFolder(installFolder);
    // Usually there already, made by a previous upgrade.
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (!IsReparsePoint(folder)) return true;
    ::SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
}

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
    const DWORD error = MakeUpgradeFolder(installFolder)
                            ? CopyOwnFile(ownFolder + FormatText("%s.exe", exeName.c_str()), target + SELF_COPY_FILE)
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
