#include <windows.h>

#include "app/UpgradeApp.h"
#include "framework/WinApp.h"
#include "system/SystemLibrary.h"

// QuorindoUpgradeBuilder.exe is built from this file with the create-version switch on.
#ifndef QU_CREATE_VERSION
#define QU_CREATE_VERSION 0
#endif

// The one application object, made before WinMain runs.
CUpgradeApp theApp(QU_CREATE_VERSION != 0);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The program runs elevated, often from a download folder: never load a library planted there.
    RemoveCurrentFolderFromDllSearch();
    return AfxWinMain();
}
