#include "upgrade/RegistryRecord.h"

#include <windows.h>

#include "system/ProductNames.h"
#include "util/FileErrors.h"
#include "util/TextFormat.h"

namespace {

std::string NowAsText() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return FormatDateTime(now);
}

}  // namespace

std::string RecordUpgradeInRegistry(ISystemCalls& calls, const std::string& version) {
    // The registry writes its hives lazily; the record must be on the disk before the journal goes.
    LONG status = calls.WriteRegistryString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE, NowAsText().c_str());
    if (status == ERROR_SUCCESS)
        status = calls.WriteRegistryString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE, version.c_str());
    if (status == ERROR_SUCCESS) status = calls.FlushRegistryKey(HKEY_LOCAL_MACHINE, PRODUCT_KEY);
    if (status == ERROR_SUCCESS) return std::string();
    return FormatText("Record the upgrade in the registry failed because of %s",
                      GetSystemErrorText(static_cast<DWORD>(status)).c_str());
}
