#include "transaction/StepList.h"

STEP_RESULT CRollbackList::Do(const StopCheck& isStopRequested, const StepEvent& afterDone) {
    while (m_nDone < m_steps.size()) {
        if (isStopRequested && isStopRequested()) return StepFailed(RESULT_NONE);
        CStep& step = *m_steps[m_nDone++];
        STEP_RESULT result = step.Do();
        if (!result.Succeeded()) return result;
        if (afterDone) afterDone(step);
    }
    return StepSucceeded();
}

STEP_RESULT CRollbackList::Undo(const StepEvent& afterUndone) {
    STEP_RESULT first;
    while (m_nDone > 0) {
        CStep& step = *m_steps[--m_nDone];
        STEP_RESULT result = step.Undo();
        if (first.Succeeded() && !result.Succeeded()) first = std::move(result);
        if (afterUndone) afterUndone(step);
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
