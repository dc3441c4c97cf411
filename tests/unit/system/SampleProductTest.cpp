#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "support/TestCalls.h"
#include "support/ChildProcess.h"
#include "support/PlantedFolder.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "system/InstallProbe.h"
#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "system/SystemLibrary.h"
#include "util/TextCompare.h"

namespace {

HRESULT CallRegistration(const std::string& path, const char* entry) {
    CScopedLibrary library(::LoadLibraryA(path.c_str()));
    if (!library) return E_FAIL;
    HRESULT(WINAPI * call)() = nullptr;
    return ResolveEntryPoint(library.Get(), entry, call) ? call() : E_NOINTERFACE;
}

TEST(SampleProduct, FiltersRegisterTheirClassAndTheScrollFilterLeadsToTheInstallation) {
    CScratchFolder scratch;
    CSampleInstallation installation;
    ASSERT_TRUE(installation.Create("0.0.6.7", scratch.Path() + "Quorindo"));
    installation.DeleteValue(PRODUCT_KEY, INSTALL_PATH_VALUE);
    installation.DeleteValue(PRODUCT_SERVER_KEY, "");
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(FILTER_FILES[i]);
        const std::string path = installation.GetPath(FILTER_FILES[i]);
        ASSERT_EQ(CallRegistration(path, "DllRegisterServer"), S_OK);
        const std::string serverKey = std::string(FILTER_CLASS_KEYS[i]) + "\\InprocServer32";
        EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, serverKey, ""), path);
        EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, serverKey, "ThreadingModel"), "Both");
    }
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_SERVER_KEY, ""),
              installation.GetPath("AX\\ScrollFilter.ax"));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), ToLowerMb(installation.GetFolder()));

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CallRegistration(installation.GetPath(FILTER_FILES[i]), "DllUnregisterServer"), S_OK);
        EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, FILTER_CLASS_KEYS[i], ""));
        EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, FILTER_CLASS_KEYS[i], ""), "");
    }
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_SERVER_KEY, ""), "");
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
    // Unregistering what is already gone succeeds too.
    EXPECT_EQ(CallRegistration(installation.GetPath(FILTER_FILES[0]), "DllUnregisterServer"), S_OK);
}

struct FIND_WINDOW {
    DWORD dwProcessId;
    HWND hWnd;
};

BOOL CALLBACK MatchServerWindow(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<FIND_WINDOW*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(wnd, &owner);
    char title[64] = {};
    ::GetWindowTextA(wnd, title, sizeof(title));
    if (owner != search->dwProcessId || std::string(title) != UPGRADE_SERVER_TITLE) return TRUE;
    search->hWnd = wnd;
    return FALSE;
}

// The server's window, told apart from any other window of that title by its process.
HWND FindServerWindow(DWORD processId) {
    FIND_WINDOW search{processId, nullptr};
    // A program starting up may have its message queue before its window.
    for (int attempt = 0; attempt < 1000 && search.hWnd == nullptr; ++attempt) {
        if (attempt > 0) ::Sleep(20);
        ::EnumWindows(MatchServerWindow, reinterpret_cast<LPARAM>(&search));
    }
    return search.hWnd;
}

TEST(SampleProduct, UpgradeServerRecordsEveryResultCode) {
    CScratchFolder scratch;
    const std::string log = scratch.Path() + "codes.log";
    CChildProcess server;
    ASSERT_TRUE(server.Start(GetSampleVersionFolder("0.0.6.5") + "QuorindoUpgradeServer.exe", "/log \"" + log + "\""));
    const HWND wnd = FindServerWindow(server.GetId());
    ASSERT_NE(wnd, nullptr);
    const UINT message = ::RegisterWindowMessageA(UPGRADE_REPORT_MESSAGE);
    ::SendMessageA(wnd, message, 4, 0);
    ::SendMessageA(wnd, message, 0, 0);
    ::SendMessageA(wnd, message, 10, 0);
    EXPECT_EQ(ReadFileText(log), "4\r\n0\r\n10\r\n");
    ::PostMessageA(wnd, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(server.Wait(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// Runs the loading probe from a download folder holding libraries named like system ones.
std::vector<std::string> LoadedPlants(const std::string& arguments) {
    CPlantedFolder folder;
    CChildProcess run;
    EXPECT_TRUE(run.Start(folder.Download(GetSampleTestFile("DllSearchProbe.exe")), arguments, folder.Path(), false));
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Wait(60000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    return folder.LoadedPlants();
}

// The probe binds version by name.
TEST(SampleProduct, SystemLibrariesAreNeverTakenFromTheProgramsFolder) {
    // Proof that the plants work: a plain load by name takes them.
    EXPECT_EQ(LoadedPlants("/plain").size(), 1u);
    EXPECT_EQ(LoadedPlants("").size(), 0u);
}

}  // namespace
