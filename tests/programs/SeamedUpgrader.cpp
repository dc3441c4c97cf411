// The upgrader with a checkpoint hook that makes the process kill itself, as a crash or Task Manager
// would, at an exactly known point: QU_KILL_AT_CHECK=k at the k-th stop check of its run,
// QU_KILL_AT_COMMAND=k right after its k-th post-install command, QU_KILL_AT_RESTORE=k after the
// k-th file a recovery has put back. QU_PACE_CHECKS_MS=n makes every stop check take n ms more, so
// that a kill from outside, sent as a line appears, lands while the run is still in that pass
// even on a loaded machine.
#include <windows.h>

#include <cstdlib>

#include "app/UpgradeApp.h"
#include "framework/WinApp.h"
#include "system/SystemLibrary.h"

namespace {

const UINT KILLED_EXIT_CODE = 0xDEAD;

// A point of the program that kills it the k-th time it is reached (never for 0).
struct KILL_POINT {
    int nKillAt = 0;
    int nReached = 0;
    void Reach() {
        if (++nReached == nKillAt) ::TerminateProcess(::GetCurrentProcess(), KILLED_EXIT_CODE);
    }
};
KILL_POINT g_stopCheck, g_command, g_restore;
DWORD g_dwPaceMs = 0;

int ReadCount(const char* variable) {
    char value[16] = "";
    return ::GetEnvironmentVariableA(variable, value, sizeof value) > 0 ? std::atoi(value) : 0;
}

void AtCheckpoint(RUN_CHECKPOINT point) {
    if (point == CHECKPOINT_STOP_CHECK && g_dwPaceMs > 0) ::Sleep(g_dwPaceMs);
    KILL_POINT* points[] = {&g_stopCheck, &g_command, &g_restore};
    points[point]->Reach();
}

}  // namespace

CUpgradeApp theApp(false, &AtCheckpoint);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    g_stopCheck.nKillAt = ReadCount("QU_KILL_AT_CHECK");
    g_command.nKillAt = ReadCount("QU_KILL_AT_COMMAND");
    g_restore.nKillAt = ReadCount("QU_KILL_AT_RESTORE");
    g_dwPaceMs = static_cast<DWORD>(ReadCount("QU_PACE_CHECKS_MS"));
    RemoveCurrentFolderFromDllSearch();
    return AfxWinMain();
}
