#pragma once

#include <mutex>

#include "os/CountingCalls.h"

// The test layer over the system's calls: counts the calls of the code it is given to, and fails
// the N-th call (of any kind, or the N-th of one kind) with a chosen error, once. A kill at a call
// fails that call and every one after it, as if the process had ended there: nothing more reaches
// the disk or the registry. The code under it makes its calls from one thread, in one order.
class CFailingCalls : public CCountingCalls {
public:
    CFailingCalls();

    // The call's index counts from 1, over every kind or, given one, over that kind only.
    void FailCall(size_t index, DWORD error, SYSTEM_CALL kind = CALL_KINDS);
    void KillAtCall(size_t index);
    // Whether the chosen call came, and of what kind it was.
    bool HasFailed() const;
    SYSTEM_CALL GetFailedKind() const;
    // The index of the latest call of the kind; 0 when none came.
    size_t GetLastCallOf(SYSTEM_CALL kind) const;

    bool AllowsCallsFromManyThreads() const override { return false; }

protected:
    DWORD ChooseFailure(SYSTEM_CALL kind) override;

private:
    mutable std::mutex m_lock;
    size_t m_calls = 0;
    size_t m_callsOfKind = 0;
    size_t m_index = 0;  // 0: no call fails
    SYSTEM_CALL m_kind = CALL_KINDS;
    DWORD m_error = ERROR_SUCCESS;
    bool m_bKill = false;
    SYSTEM_CALL m_failedKind = CALL_KINDS;
    size_t m_lastOfKind[CALL_KINDS] = {};
};
