#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"

// A library planted beside a program under the name of a system library. When it is loaded
// it leaves "<its own path>.loaded", which is how a test sees that the program fell for it.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    const std::string marker = std::string(path, length) + ".loaded";
    CScopedKernelHandle file(
        ::CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return TRUE;
}
