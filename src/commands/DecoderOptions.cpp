#include <windows.h>

#include "commands/CommandHost.h"
#include "framework/ScopedHandles.h"

namespace {

const char FFDSHOW_KEY[] = "Software\\GNU\\ffdshow";

bool SetDwordValue(HKEY key, const char* name, DWORD value) {
    return ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

}  // namespace

void SetFfdshowOptions() {
    CScopedRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, FFDSHOW_KEY, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS) return;
    if (SetDwordValue(key.Get(), "mpg2", 1)) SetDwordValue(key.Get(), "cram", 0);
}
