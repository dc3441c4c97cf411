#include "support/TestRunHost.h"

#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "upgrade/Recovery.h"

bool HasRecoveryAtLogon() { return CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE); }

bool HasUpgradeRecord() { return CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE); }

int CTestRunHost::AppendLine(int, const char* text) {
    const std::string line = text;
    m_lines.push_back(line);
    if (m_onLine) m_onLine(line);
    return static_cast<int>(m_lines.size()) - 1;
}
