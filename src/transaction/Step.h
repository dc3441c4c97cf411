#pragma once

#include "transaction/StepResult.h"

// One unit of an upgrade's work that does itself and undoes itself: installing an entry, a
// post-install command. Undo must work after a Do that failed half way, and a step with nothing
// to put back succeeds.
class CStep {
public:
    virtual ~CStep() = default;
    virtual STEP_RESULT Do() = 0;
    virtual STEP_RESULT Undo() = 0;
};
