#include "upgrade/RegistryRecord.h"

#include <windows.h>

#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "util/FileErrors.h"
#include "util/TextFormat.h"

namespace {

std::string NowAsText() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return FormatDateTime(now);
}

}  // namespace

std::string RecordUpgradeInRegistry(const std::string& version) {
    LONG status = ERROR_SUCCESS;
    // The registry writes its hives lazily; the record must be on the disk before the journal goes.
    if (CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE, NowAsText(), &status) &&
        CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE, version, &status) &&
        CRegistryAccess::Flush(HKEY_LOCAL_MACHINE, PRODUCT_KEY, &status))
        return std::string();
    return FormatText("Record the upgrade in the registry failed because of %s",
                      GetSystemErrorText(static_cast<DWORD>(status)).c_str());
}
