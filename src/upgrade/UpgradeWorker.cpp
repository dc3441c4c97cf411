#include "upgrade/UpgradeWorker.h"

#include <process.h>

#include "util/MessagePump.h"

namespace {

// The worker binds COM at run time from the already loaded ole32.dll.
HRESULT InitializeWorkerCom() {
    using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
    HMODULE ole32 = GetModuleHandleA("ole32.dll");
    if (ole32 == nullptr) return E_FAIL;
    auto coInitializeEx = reinterpret_cast<CoInitializeExFn>(
        reinterpret_cast<void*>(GetProcAddress(ole32, "CoInitializeEx")));
    if (coInitializeEx == nullptr) return E_FAIL;
    return coInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE | COINIT_MULTITHREADED);
}

}  // namespace

CUpgradeWorker::CUpgradeWorker(std::function<void()> runBody) : m_runBody(std::move(runBody)) {}

CUpgradeWorker::~CUpgradeWorker() { StopUpgrade(); }

bool CUpgradeWorker::StartUpgrade() {
    StopUpgrade();
    m_bStop = false;
    const uintptr_t thread = _beginthreadex(nullptr, 0, &CUpgradeWorker::ThreadEntry, this, 0, nullptr);
    m_hThread.Reset(reinterpret_cast<HANDLE>(thread));
    return static_cast<bool>(m_hThread);
}

void CUpgradeWorker::StopUpgrade() {
    if (!m_hThread) return;
    m_bStop = true;
    // Looked at anew after every message served: one of them may have ended the wait already
    // (Enter after Close).
    while (m_hThread) {
        HANDLE thread = m_hThread.Get();
        if (::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1)
            PumpMessages(nullptr);
        else
            m_hThread.Reset();
    }
}

unsigned __stdcall CUpgradeWorker::ThreadEntry(void* worker) {
    const HRESULT com = InitializeWorkerCom();
    static_cast<CUpgradeWorker*>(worker)->m_runBody();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
