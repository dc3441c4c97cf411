#pragma once

#include "framework/ScopedHandles.h"

// The lock that one upgrade run, or one recovery, holds while it changes an installation: a named
// mutex in the Global namespace, so that upgraders started in any session (twice by hand, by the
// upgrade server, by RunOnce at another administrator's logon) never change the same files at
// once. Ordinary users may not make objects there, so nobody else can take it first.
inline constexpr const char* RUN_LOCK_NAME = "Global\\QuorindoUpgradeRun";

class CRunLock {
public:
    CRunLock() = default;
    CRunLock(const CRunLock&) = delete;
    CRunLock& operator=(const CRunLock&) = delete;
    // Lets the lock go when it is held. Only the thread that took it may let it go.
    ~CRunLock();

    // Takes the lock without waiting; false when another upgrader holds it. A lock whose holder
    // was killed is taken: what it left is the next one's to end.
    bool Take();
    bool IsHeld() const { return m_bHeld; }

private:
    CScopedKernelHandle m_mutex;
    bool m_bHeld = false;
};
