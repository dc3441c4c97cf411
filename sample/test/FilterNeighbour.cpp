#include <windows.h>

// The library a test filter imports; it lies beside the filter in AX\.
extern "C" __declspec(dllexport) int GetNeighbourAnswer() { return 42; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
