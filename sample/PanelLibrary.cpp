#include <windows.h>

// Stands in for one of the product's panel libraries. The build names it.
#define QU_TEXT(name) #name
#define QU_NAME_TEXT(name) QU_TEXT(name)

extern "C" __declspec(dllexport) const char* GetPanelName() { return QU_NAME_TEXT(QU_PANEL_NAME); }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
