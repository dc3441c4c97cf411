#include "upgrade/RunLock.h"

#include "upgrade/InstallationLayout.h"
#include "util/AdminOnlySecurity.h"
#include "util/FileErrors.h"
#include "util/PathChecks.h"
#include "util/TextFormat.h"

DWORD CRunLock::Take(ISystemCalls& calls, const std::string& installFolder) {
    if (IsHeld()) return ERROR_SUCCESS;
    m_strPath = GetRunLockPath(installFolder);
    if (!MakeUpgradeFolder(calls, installFolder)) return ::GetLastError();
    // The file stays between runs: one deleted while somebody has it open, if only for its
    // attributes (which anyone who may list the folder can), could not be made again until they let go.
    return MakeAdminOnly([&](SECURITY_ATTRIBUTES& attributes) {
        m_file = OpenFileNoLink(calls, m_strPath, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS, &attributes);
        return m_file ? ERROR_SUCCESS : ::GetLastError();
    });
}

std::string CRunLock::DescribeFailure(DWORD error) const {
    return FormatText("Create upgrade lock %s failed because of %s", m_strPath.c_str(),
                      GetSystemErrorText(error).c_str());
}
