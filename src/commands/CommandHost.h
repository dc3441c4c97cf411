#pragma once

#include <string>

#include "transaction/Step.h"
#include "util/LineSink.h"

// One command's step handed to the dialog's thread, and the result it hands back.
struct COMMAND_REQUEST {
    CStep* pStep = nullptr;
    STEP_RESULT result;
};

// What the command list runner needs of whoever runs it: lines, and the two requests it has
// carried out on the dialog's thread (where COM objects and windows of the upgrade live).
class ICommandHost : public CLineSink {
public:
    // Writes the decoder options (SetFfdshowOptions) on the dialog's thread.
    virtual void SetDecoderOptions() = 0;
    // Does the request's step on the dialog's thread; the request gets its result.
    virtual void ExecuteCommand(COMMAND_REQUEST& request) = 0;
};
