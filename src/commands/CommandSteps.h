#pragma once

#include <memory>
#include <string>

#include "commands/RegistrationRecord.h"
#include "commands/UpgradeCommand.h"
#include "os/SystemCalls.h"
#include "transaction/Step.h"

// A post-install command as a step of the roll-forward list. Nothing after the install pass is
// ever undone, so Undo has nothing to put back.
class CCommandStep : public CStep {
public:
    STEP_RESULT Undo() override { return StepSucceeded(); }
    // What the action list shows for the command.
    virtual std::string GetDescription() const = 0;
};

// The step of the command's type, a whole word compared without regard to case; an unknown type
// makes a step that fails. "Register" and "Unregister" keep the registration list up to date,
// even when they fail, so the list must outlive the step.
std::unique_ptr<CCommandStep> MakeCommandStep(ISystemCalls& calls, const CUpgradeCommand& command,
                                              CRegistrationList& registered);
