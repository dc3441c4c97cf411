#include "app/UpgradeDlg.h"

namespace {

bool SetDwordValue(HKEY key, const char* name, DWORD value) {
    return ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

}  // namespace

// Two options of the ffdshow decoder that the new version expects. Only a decoder that is
// installed is changed: the key is never created.
LRESULT CUpgradeDlg::OnSetFfdshowOptions(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    CScopedRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\GNU\\ffdshow", 0, KEY_ALL_ACCESS, key.Receive()) !=
        ERROR_SUCCESS)
        return 0;
    if (SetDwordValue(key.Get(), "mpg2", 1)) SetDwordValue(key.Get(), "cram", 0);
    return 0;
}
