#include "transaction/StepList.h"

STEP_RESULT CRollbackList::Do(const StopCheck& isStopRequested) {
    while (m_nDone < m_steps.size()) {
        if (isStopRequested && isStopRequested()) return StepFailed(RESULT_NONE);
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

void CRollForwardList::Do(const std::function<void(size_t index)>& beforeStep, const ResultEvent& onResult,
                          const Runner& run) {
    for (size_t i = 0; i < m_steps.size(); ++i) {
        if (beforeStep) beforeStep(i);
        const STEP_RESULT result = run ? run(*m_steps[i]) : m_steps[i]->Do();
        if (onResult) onResult(i, result);
    }
}
