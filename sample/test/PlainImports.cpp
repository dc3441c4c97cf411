#include <windows.h>
#include <shlobj.h>

// Imports user32 and shell32 the usual way, as a program does that takes no care: the loader
// resolves them, and what they import, before main runs, looking in the program's folder first.
int main() {
    char folder[MAX_PATH] = {};
    const bool shellAnswered = SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_WINDOWS, nullptr, 0, folder));
    return shellAnswered && ::GetSystemMetrics(SM_CXSCREEN) >= 0 ? 0 : 1;
}
