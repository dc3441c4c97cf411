#include "commands/AutoRun.h"

#include <windows.h>

#include "system/RegistryAccess.h"

const char* const AUTO_RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const AUTO_RUN_VALUE = "QxUpgradeServer";

void EnableAutoRun(const std::string& programPath) {
    // An existing entry may be the user's own choice of program or arguments: leave it alone.
    if (CRegistryAccess::HasValue(HKEY_CURRENT_USER, AUTO_RUN_KEY, AUTO_RUN_VALUE)) return;
    // Quoted: Windows would otherwise try the path cut at each blank first ("D:\My.exe" for
    // "D:\My Apps\...") and start whatever program lies there.
    CRegistryAccess::WriteString(HKEY_CURRENT_USER, AUTO_RUN_KEY, AUTO_RUN_VALUE, "\"" + programPath + "\"");
}
