#pragma once

#include "transaction/StepResult.h"

// One unit of an upgrade's work that does itself and undoes itself: backing up an entry,
// installing it, a post-install command, the upgrade record. Undo must work after a Do that
// failed half way, and a step with nothing to put back succeeds.
class CStep {
public:
    virtual ~CStep() = default;
    virtual STEP_RESULT Do() = 0;
    virtual STEP_RESULT Undo() = 0;
};
