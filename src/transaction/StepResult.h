#pragma once

#include <string>
#include <utility>

#include "transaction/ResultCodes.h"

// What a step, a list of steps or a stage of the run answers. The code is RESULT_SUCCEEDED when
// the work went through; otherwise it is the run's result code that the failure ends the run
// with (RESULT_NONE for a stop, or a failure that reports nothing). The text says what failed,
// for the line that shows it.
struct STEP_RESULT {
    int nCode = RESULT_SUCCEEDED;
    std::string strText;

    bool Succeeded() const { return nCode == RESULT_SUCCEEDED; }
};

inline STEP_RESULT StepSucceeded() { return STEP_RESULT(); }
inline STEP_RESULT StepFailed(int nCode, std::string text = std::string()) { return {nCode, std::move(text)}; }
