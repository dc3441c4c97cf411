#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "framework/CriticalSection.h"
#include "framework/ScopedHandles.h"

// Commands the dialog's thread posts to the worker. The command word doubles as the
// stop flag that a running upgrade polls.
enum : DWORD {
    CMD_NONE = 0,
    CMD_START = 1,
    CMD_STOP = 2,
};

// The thread that carries one upgrade run, and the protocol by which the dialog's
// thread starts and stops it. The lock is taken only on the dialog's thread.
class CUpgradeWorker {
public:
    // runBody is one whole run, called on the worker thread for each start.
    explicit CUpgradeWorker(std::function<void()> runBody = {});
    virtual ~CUpgradeWorker();
    CUpgradeWorker(const CUpgradeWorker&) = delete;
    CUpgradeWorker& operator=(const CUpgradeWorker&) = delete;

    // The thread body: serves commands until one run is over or a stop arrives.
    virtual int Run();
    // One whole run, on the worker thread.
    virtual void DoUpgrade() {
        if (m_runBody) m_runBody();
    }

    bool StartThread();
    // Stores the command and waits up to the time limit for the worker's answer.
    HRESULT PostCommand(DWORD command, DWORD timeoutMs);
    // Worker side: waits for a command, and answers it.
    DWORD GetCommand();
    void Reply(LONG result);

    // Starts a run on a new worker; E_FAIL when no thread could be made.
    HRESULT StartUpgrade();
    // Stops the worker, serving the calling thread's messages while it winds down.
    // 1 when there was no worker, 0 after one was stopped.
    int StopUpgrade();
    // Virtual so that a test can act at each point where a run looks for a stop.
    virtual bool IsStopRequested() const { return m_dwCommand.load() == CMD_STOP; }
    bool HasWorker() const { return m_hThread.load() != nullptr; }

protected:
    // Takes the thread handle out of the object; exactly one taker closes it.
    HANDLE TakeThreadHandle() { return m_hThread.exchange(nullptr); }

private:
    static unsigned __stdcall ThreadEntry(void* worker);
    // Empties the request slot: no command, nothing waiting, no answer left behind.
    void ClearRequest();

    std::function<void()> m_runBody;
    CScopedKernelHandle m_hRequest;  // manual reset: a command waits
    CScopedKernelHandle m_hReply;    // auto reset: the worker answered
    std::atomic<DWORD> m_dwCommand{CMD_NONE};
    std::atomic<LONG> m_lResult{0};
    std::atomic<HANDLE> m_hThread{nullptr};
    CCriticalSection m_lock;
};
