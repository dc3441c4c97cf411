#include "upgrade/UpgradeRecord.h"

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

void PutBackValue(const char* name, bool bHad, const std::string& text) {
    if (bHad)
        CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, name, text);
    else
        CRegistryAccess::DeleteValue(HKEY_LOCAL_MACHINE, PRODUCT_KEY, name);
}

}  // namespace

STEP_RESULT CUpgradeRecordStep::Do() {
    m_bHadTime = CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE);
    m_bHadVersion = CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE);
    m_strOldTime = CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE);
    m_strOldVersion = CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE);
    LONG status = ERROR_SUCCESS;
    // The registry writes its hives lazily; the record must be on the disk before the journal goes.
    if (CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE, NowAsText(), &status) &&
        CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE, m_strVersion, &status) &&
        CRegistryAccess::Flush(HKEY_LOCAL_MACHINE, PRODUCT_KEY, &status))
        return StepSucceeded();
    return StepFailed(RESULT_NOT_RECORDED, FormatText("Record the upgrade in the registry failed because of %s",
                                                      GetSystemErrorText(static_cast<DWORD>(status)).c_str()));
}

STEP_RESULT CUpgradeRecordStep::Undo() {
    PutBackValue(UPGRADE_TIME_VALUE, m_bHadTime, m_strOldTime);
    PutBackValue(UPGRADE_VERSION_VALUE, m_bHadVersion, m_strOldVersion);
    return StepSucceeded();
}
