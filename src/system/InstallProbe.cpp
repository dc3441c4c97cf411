#include "system/InstallProbe.h"

#include <windows.h>

#include "system/FileVersionInfo.h"
#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

// An installation counts only when all of these exist, tested in this order.
const std::string FILTER_FOLDER = "AX\\";
const std::string COMPONENTS[] = {
    "TallyPanel.dll",  "ClockPanel.dll", "RecordPanel.dll", "MatrixPanel.dll",
    "LinePanel.dll",   "TickerPanel.dll", PRODUCT_EXE_NAME, FILTER_FOLDER + "ScrollFilter.ax",
    FILTER_FOLDER + "FeedFilter.ax", FILTER_FOLDER + "FadeFilter.ax",
};

// The product's COM server lies in the installation's filter folder: the install folder is
// what comes before the first "\ax" of its lower-cased path.
std::string FolderFromServerPath(const std::string& serverPath) {
    for (size_t i = FindSeparator(serverPath, 0, false); i != std::string::npos;
         i = FindSeparator(serverPath, i + 1, false))
        if (EqualsNoCase(serverPath.substr(i, 3), "\\ax")) return ToLowerMb(serverPath.substr(0, i));
    return std::string();
}

bool HasAllComponents(ISystemCalls& calls, const std::string& folder) {
    for (const std::string& component : COMPONENTS) {
        if (!FileExists(calls, folder + component)) return false;
    }
    return true;
}

}  // namespace

std::string CInstallProbe::GetInstallPath(ISystemCalls& calls) {
    std::string folder = CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, INSTALL_PATH_VALUE);
    if (folder.empty())
        folder = FolderFromServerPath(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_SERVER_KEY, ""));
    if (folder.empty()) return folder;
    folder = WithFinalBackslash(folder);
    return HasAllComponents(calls, folder) ? folder : std::string();
}

bool CInstallProbe::GetInstalledVersion(const std::string& exePath, std::string& version,
                                        std::string& upgradeVersion) {
    CFileVersionInfo info;
    if (info.Open(exePath)) {
        version = info.GetFileVersionText();
        return true;
    }
    version = CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, INSTALL_VERSION_VALUE);
    upgradeVersion = CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE);
    return false;
}
