#pragma once

#include "commands/CommandHost.h"

// Whoever hosts an upgrade run: the main dialog, or a test. The run reaches nothing else of it.
// Lines and the command list's two requests come from ICommandHost; every call is made on the
// run's own thread.
class IRunHost : public ICommandHost {
public:
    // True once the user asked the run to stop; asked at the run's stop checks only.
    virtual bool IsStopRequested() = 0;
    // Empties the action list at the start of a run.
    virtual void ClearLines() = 0;
    // The progress bar: its range (from 0, step 1), its position.
    virtual void SetProgressRange(int nUpper) = 0;
    virtual int GetProgress() = 0;
    virtual void SetProgress(int nPosition) = 0;
    // The run is over: the button that read "Stop" reads "Close" again.
    virtual void ShowRunOver() = 0;
};
