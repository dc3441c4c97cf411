#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "transaction/Step.h"

// Steps that stand or fall together until they are committed: done in order until one fails,
// and undone newest first. A failed step counts as done, so that Undo also puts back what it
// changed half way. The steps belong to whoever made them, and must outlive their use here.
class CRollbackList {
public:
    using StopCheck = std::function<bool()>;

    void Add(CStep& step) { m_steps.push_back(&step); }
    // Does every step added since the last Do, asking before each whether to stop (a stop
    // answers a stop). The first failure ends it and is answered.
    STEP_RESULT Do(const StopCheck& isStopRequested = {});
    // Undoes every done step, newest first, whatever each answers. Answers the first failure.
    STEP_RESULT Undo();
    // The commit point: every step done so far stands, and nothing of them is undone any more.
    void Commit();
    // True when a step was done since the last commit, so that Undo has something to put back.
    bool HasDone() const { return m_nDone != 0; }

private:
    std::vector<CStep*> m_steps;
    size_t m_nDone = 0;  // steps from the head that Do has run, the failed one included
};

// Steps of one kind that each stand alone, such as the post-install commands: a failure is
// reported and the list goes on. Nothing is ever undone. The events see each step as its kind.
template <class TStep>
class CRollForwardList {
public:
    using StepEvent = std::function<void(const TStep& step)>;
    using ResultEvent = std::function<void(const TStep& step, const STEP_RESULT& result)>;
    // Carries one step out: its Do by default; a host may run it on another thread.
    using Runner = std::function<STEP_RESULT(TStep&)>;

    void Add(std::unique_ptr<TStep> step) { m_steps.push_back(std::move(step)); }
    // Does every step in order; beforeStep and onResult see each one.
    void Do(const StepEvent& beforeStep, const ResultEvent& onResult, const Runner& run = {}) {
        for (const auto& step : m_steps) {
            if (beforeStep) beforeStep(*step);
            const STEP_RESULT result = run ? run(*step) : step->Do();
            if (onResult) onResult(*step, result);
        }
    }

private:
    std::vector<std::unique_ptr<TStep>> m_steps;
};
