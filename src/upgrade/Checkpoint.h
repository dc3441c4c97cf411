#pragma once

#include <functional>

// Points of an upgrade or a recovery where a test may act, such as ending the process as a
// crash would (see RUN_SETTINGS): nothing happens there in the program as shipped.
enum RUN_CHECKPOINT {
    CHECKPOINT_STOP_CHECK,    // the run looks whether it is to stop
    CHECKPOINT_COMMAND_DONE,  // a post-install command has been carried out
    CHECKPOINT_PUT_BACK,      // a recovery has put a file back
};
using CheckpointHook = std::function<void(RUN_CHECKPOINT)>;
