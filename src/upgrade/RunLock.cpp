#include "upgrade/RunLock.h"

CRunLock::~CRunLock() {
    if (m_bHeld) ::ReleaseMutex(m_mutex.Get());
}

bool CRunLock::Take() {
    if (m_bHeld) return true;
    m_mutex.Reset(::CreateMutexA(nullptr, FALSE, RUN_LOCK_NAME));
    if (!m_mutex) return false;
    const DWORD wait = ::WaitForSingleObject(m_mutex.Get(), 0);
    m_bHeld = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return m_bHeld;
}
