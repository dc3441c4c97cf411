#pragma once

#include <string>
#include <utility>

// How a failure crosses a layer, one way per layer:
// - framework/: a call answers false and, when given one, fills a CFileException, as the
//   framework's file classes always have;
// - util/, system/ and package/ below the steps: a failure is its text, empty when the work went
//   through; a function that writes its own lines answers only whether it went through;
// - transaction/ (steps and their lists, the passes): a STEP_RESULT, done, failed with its text,
//   or stopped;
// - upgrade/: the run turns a failed stage into the result code the server gets
//   (upgrade/ResultCodes.h), and a line is made of a text only where lines are written.
enum STEP_OUTCOME {
    STEP_DONE,
    STEP_FAILED,
    STEP_STOPPED,  // a stop was asked for before the step
};

// What a step, a list of steps or a pass answers; the text says what failed, for its line.
struct STEP_RESULT {
    STEP_OUTCOME outcome = STEP_DONE;
    std::string strText;

    bool Succeeded() const { return outcome == STEP_DONE; }
    bool Stopped() const { return outcome == STEP_STOPPED; }
};

inline STEP_RESULT StepSucceeded() { return STEP_RESULT(); }
inline STEP_RESULT StepFailed(std::string text = std::string()) { return {STEP_FAILED, std::move(text)}; }
inline STEP_RESULT StepStopped() { return {STEP_STOPPED, std::string()}; }
