#include "commands/AutoRun.h"

#include <windows.h>

#include "system/RegistryAccess.h"

const char* const AUTO_RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const AUTO_RUN_VALUE = "QxUpgradeServer";

void EnableAutoRun(const std::string& programPath) {
    // An existing entry may be the user's own choice of program or arguments: leave it alone.
    if (CRegistryAccess::HasValue(HKEY_CURRENT_USER, AUTO_RUN_KEY, AUTO_RUN_VALUE)) return;
    CRegistryAccess::WriteString(HKEY_CURRENT_USER, AUTO_RUN_KEY, AUTO_RUN_VALUE, programPath);
}
