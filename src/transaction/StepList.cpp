#include "transaction/StepList.h"

STEP_RESULT CRollbackList::Do(const StopCheck& isStopRequested) {
    while (m_nDone < m_steps.size()) {
        if (isStopRequested && isStopRequested()) return StepStopped();
        STEP_RESULT result = m_steps[m_nDone++]->Do();
        if (!result.Succeeded()) return result;
    }
    return StepSucceeded();
}

STEP_RESULT CRollbackList::Undo() {
    STEP_RESULT first;
    while (m_nDone > 0) {
        STEP_RESULT result = m_steps[--m_nDone]->Undo();
        if (first.Succeeded() && !result.Succeeded()) first = std::move(result);
    }
    return first;
}

void CRollbackList::Commit() {
    m_steps.clear();
    m_nDone = 0;
}
