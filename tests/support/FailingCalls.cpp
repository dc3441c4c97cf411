#include "support/FailingCalls.h"

#include "support/TestCalls.h"

CFailingCalls::CFailingCalls() : CCountingCalls(TestCalls()) {}

void CFailingCalls::FailCall(size_t index, DWORD error, SYSTEM_CALL kind) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_index = index;
    m_error = error;
    m_kind = kind;
}

void CFailingCalls::KillAtCall(size_t index) {
    FailCall(index, ERROR_NOT_READY);
    std::lock_guard<std::mutex> hold(m_lock);
    m_bKill = true;
}

bool CFailingCalls::HasFailed() const { return GetFailedKind() != CALL_KINDS; }

SYSTEM_CALL CFailingCalls::GetFailedKind() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_failedKind;
}

size_t CFailingCalls::GetLastCallOf(SYSTEM_CALL kind) const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lastOfKind[kind];
}

DWORD CFailingCalls::ChooseFailure(SYSTEM_CALL kind) {
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_calls;
    m_lastOfKind[kind] = m_calls;
    if (m_kind == CALL_KINDS || kind == m_kind) ++m_callsOfKind;
    if (m_bKill && m_failedKind != CALL_KINDS) return m_error;  // nothing after a kill
    if (m_index == 0 || m_callsOfKind != m_index) return ERROR_SUCCESS;
    m_failedKind = kind;
    return m_error;
}
