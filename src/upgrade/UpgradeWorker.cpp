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

const DWORD STOP_POLL_MS = 10;

}  // namespace

CUpgradeWorker::CUpgradeWorker(std::function<void()> runBody)
    : m_runBody(std::move(runBody)),
      m_hRequest(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_hReply(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

CUpgradeWorker::~CUpgradeWorker() {
    CScopedKernelHandle thread(TakeThreadHandle());
    if (thread) WaitForSingleObject(thread.Get(), INFINITE);
}

bool CUpgradeWorker::StartThread() {
    CSingleLock hold(m_lock);
    if (HasWorker()) return false;
    const uintptr_t thread = _beginthreadex(nullptr, 0, &CUpgradeWorker::ThreadEntry, this, 0, nullptr);
    if (thread == 0) return false;
    m_hThread.store(reinterpret_cast<HANDLE>(thread));
    return true;
}

HRESULT CUpgradeWorker::PostCommand(DWORD command, DWORD timeoutMs) {
    CSingleLock hold(m_lock);
    if (!HasWorker()) return E_FAIL;
    // A stop posted without waiting leaves its answer behind; it must not pass for this one's.
    ResetEvent(m_hReply.Get());
    m_dwCommand.store(command);
    SetEvent(m_hRequest.Get());
    WaitForSingleObject(m_hReply.Get(), timeoutMs);
    return m_lResult.load();
}

DWORD CUpgradeWorker::GetCommand() {
    WaitForSingleObject(m_hRequest.Get(), INFINITE);
    return m_dwCommand.load();
}

void CUpgradeWorker::Reply(LONG result) {
    m_lResult.store(result);
    ResetEvent(m_hRequest.Get());
    SetEvent(m_hReply.Get());
}

HRESULT CUpgradeWorker::StartUpgrade() {
    StopUpgrade();
    CSingleLock hold(m_lock);
    if (!HasWorker()) {
        // A new thread never sees a request that was meant for the one before it.
        ClearRequest();
        if (!StartThread()) return E_FAIL;
    }
    return PostCommand(CMD_START, INFINITE);
}

int CUpgradeWorker::StopUpgrade() {
    CSingleLock hold(m_lock);
    if (!HasWorker()) return 1;
    PostCommand(CMD_STOP, 0);
    // The worker's requests to the dialog (commands, the emptied list) are sent messages, and its
    // lines are announced by posted ones: serve them while it winds down.
    for (;;) {
        HANDLE thread = m_hThread.load();
        if (thread == nullptr || WaitForSingleObject(thread, 0) != WAIT_TIMEOUT) break;
        PumpMessages(nullptr);
        Sleep(STOP_POLL_MS);
    }
    CScopedKernelHandle thread(TakeThreadHandle());
    if (thread) WaitForSingleObject(thread.Get(), INFINITE);
    // A stop that reached a run just as it ended on its own has nobody left to answer it.
    ClearRequest();
    return 0;
}

void CUpgradeWorker::ClearRequest() {
    m_dwCommand.store(CMD_NONE);
    ResetEvent(m_hRequest.Get());
    ResetEvent(m_hReply.Get());
}

int CUpgradeWorker::Run() {
    for (;;) {
        switch (GetCommand()) {
        case CMD_NONE:
            Reply(0);
            break;
        case CMD_START: {
            Reply(0);  // releases the poster before the run starts
            DoUpgrade();
            if (IsStopRequested()) {
                Reply(0);
                return 1;
            }
            // Finished on its own: give up the handle so a new run can start.
            CScopedKernelHandle released(TakeThreadHandle());
            return 1;
        }
        case CMD_STOP:
            Reply(0);
            return 0;
        default:
            break;
        }
    }
}

unsigned __stdcall CUpgradeWorker::ThreadEntry(void* worker) {
    const HRESULT com = InitializeWorkerCom();
    const int result = static_cast<CUpgradeWorker*>(worker)->Run();
    if (SUCCEEDED(com)) CoUninitialize();
    return static_cast<unsigned>(result);
}
