#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

// The lock that one upgrade run, or one recovery, holds while it changes an installation, so that
// upgraders started in any session (twice by hand, by the upgrade server, by RunOnce at another
// administrator's logon) never change the same files at once: the file "UpgradeRun.lock" in the
// installation's "Upgrade\" folder, held open without sharing. Only SYSTEM and the Administrators
// may open it, so no program that runs without elevation can hold it first; a name in the
// system's object namespace could be taken by anybody. The system lets it go when its holder ends,
// however it ends.
class CRunLock {
public:
    CRunLock() = default;
    CRunLock(const CRunLock&) = delete;
    CRunLock& operator=(const CRunLock&) = delete;

    // Takes the installation's lock without waiting, making the "Upgrade\" folder when it is
    // missing. Answers the system's error: ERROR_SHARING_VIOLATION while another upgrader holds it.
    DWORD Take(ISystemCalls& calls, const std::string& installFolder);
    bool IsHeld() const { return m_file.IsValid(); }
    // "Create upgrade lock <file> failed because of <reason>": a lock that could not be taken for
    // another reason than another holder.
    std::string DescribeFailure(DWORD error) const;

private:
    CScopedKernelHandle m_file;
    std::string m_strPath;
};
