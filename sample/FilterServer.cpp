#include <windows.h>
#include <olectl.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "system/ProductNames.h"

// Stands in for one of the product's filters: a COM server that registers and unregisters its
// own class. The scroll filter also registers the product's server key, which leads an upgrader
// to the installation when "Install Path" is missing. The build chooses the filter by number.

namespace {

struct FILTER {
    const char* name;
    const char* clsid;
    bool bProductServer;
};

const FILTER FILTERS[] = {
    {"Quorindo Scroll Filter", "{D47945FF-3513-4E25-9573-279AEB9655EA}", true},
    {"Quorindo Feed Filter", "{DFB57666-7A11-45F1-88A4-460B2FA08A6C}", false},
    {"Quorindo Fade Filter", "{3DEB868E-4AF5-4DCA-B816-713E2D59E18B}", false},
    // Test only: a filter that needs a library lying beside it (QU_FILTER_NEEDS_NEIGHBOUR), and
    // one that loads it by name while it registers (QU_FILTER_LOADS_NEIGHBOUR).
    {"Quorindo Neighbour Filter", "{36CAF893-E991-432E-83DA-61AFD1548113}", false},
    {"Quorindo Loader Filter", "{5B0E7C21-94D3-4A8F-B6E2-1C7F3A9D4E60}", false},
};
const FILTER& THIS_FILTER = FILTERS[QU_FILTER_INDEX];

HMODULE g_hModule = nullptr;

const std::string CLASS_KEY = std::string("SOFTWARE\\Classes\\CLSID\\") + THIS_FILTER.clsid;

bool SetKeyValue(const std::string& keyPath, const char* name, const std::string& text) {
    CScopedRegKey key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
        key.Release();
        return false;
    }
    return ::RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

// Removes the key with everything below it; a key that is already gone counts as removed.
bool DeleteKeyTree(const char* keyPath) {
    const LONG status = ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyPath);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::string OwnPath() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(g_hModule, path, MAX_PATH);
    return (length == 0 || length >= MAX_PATH) ? std::string() : std::string(path, length);
}

}  // namespace

#ifdef QU_FILTER_NEEDS_NEIGHBOUR
// Imported from FilterNeighbour.dll: the filter does not load without it.
extern "C" __declspec(dllimport) int GetNeighbourAnswer();
#endif

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_hModule = instance;
    return TRUE;
}

HRESULT WINAPI DllRegisterServer() {
    const std::string path = OwnPath();
    if (path.empty()) return SELFREG_E_CLASS;
#ifdef QU_FILTER_NEEDS_NEIGHBOUR
    if (GetNeighbourAnswer() != 42) return SELFREG_E_CLASS;
#endif
#ifdef QU_FILTER_LOADS_NEIGHBOUR
    // By its bare name, as a filter's helpers often are: only a search that holds the filter's
    // folder finds it.
    CScopedLibrary neighbour(::LoadLibraryA("FilterNeighbour.dll"));
    int (*answer)() = nullptr;
    if (neighbour)
        answer = reinterpret_cast<int (*)()>(
            reinterpret_cast<void (*)()>(::GetProcAddress(neighbour.Get(), "GetNeighbourAnswer")));
    if (answer == nullptr || answer() != 42) return SELFREG_E_CLASS;
#endif
    const std::string serverKey = CLASS_KEY + "\\InprocServer32";
    bool ok = SetKeyValue(CLASS_KEY, nullptr, THIS_FILTER.name) && SetKeyValue(serverKey, nullptr, path) &&
              SetKeyValue(serverKey, "ThreadingModel", "Both");
    if (ok && THIS_FILTER.bProductServer) ok = SetKeyValue(PRODUCT_SERVER_KEY, nullptr, path);
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT WINAPI DllUnregisterServer() {
    bool ok = DeleteKeyTree(CLASS_KEY.c_str());
    if (THIS_FILTER.bProductServer) ok = DeleteKeyTree(PRODUCT_CLSID_KEY) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

// Nothing is ever created: the product's player is not part of this stand-in.
HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT WINAPI DllCanUnloadNow() { return S_OK; }

}  // extern "C"
