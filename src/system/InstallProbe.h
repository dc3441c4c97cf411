#pragma once

#include <string>

#include "os/SystemCalls.h"

// Where the product is installed and which version is installed. Keeps nothing between calls,
// so every call sees the registry and the files as they are now.
class CInstallProbe {
public:
    // The install folder, ending with a backslash, or empty text when the product is not
    // installed or a component is missing.
    static std::string GetInstallPath(ISystemCalls& calls);
    // True with the version text of the executable's version resource. When the resource can't be
    // read, answers false with "Install Version" and "Upgrade Version" of the product's key in the
    // two texts. On success the upgrade version text is left as passed.
    static bool GetInstalledVersion(const std::string& exePath, std::string& version, std::string& upgradeVersion);
};
