#include <windows.h>

#include "app/UpgradeApp.h"
#include "framework/WinApp.h"
#include "util/Trace.h"

// QuorindoUpgradeBuilder.exe is built from this file with the create-version switch on.
#ifndef QU_CREATE_VERSION
#define QU_CREATE_VERSION 0
#endif

// The one application object, made before WinMain runs, after the library search was limited to
// the system folder (src/startup/): its constructor already calls into user32.
CUpgradeApp theApp(QU_CREATE_VERSION != 0);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TraceEvent("program start");
    const int result = AfxWinMain();
    TraceEvent("program end");
    return result;
}
