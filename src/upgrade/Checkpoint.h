#pragma once

#include <functional>

// Points of an upgrade or a recovery where a test build of the program acts, such as ending the
// process as a crash would. The program's main file passes the hook in (RUN_SETTINGS); the shipped
// program passes none, so nothing happens there.
enum RUN_CHECKPOINT {
    CHECKPOINT_STOP_CHECK,    // the run looks whether it is to stop
    CHECKPOINT_COMMAND_DONE,  // a post-install command has been carried out
    CHECKPOINT_PUT_BACK,      // a recovery has put a file back
};
using CheckpointHook = std::function<void(RUN_CHECKPOINT)>;

inline void ReachCheckpoint(const CheckpointHook& hook, RUN_CHECKPOINT point) {
    if (hook) hook(point);
}
