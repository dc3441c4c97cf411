#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "framework/ScopedHandles.h"

// The thread that carries one upgrade run at a time. Runs are started and stopped from one thread
// (the dialog's); the run asks for a stop on its own.
class CUpgradeWorker {
public:
    // runBody is one whole run, called on a new thread for each start.
    explicit CUpgradeWorker(std::function<void()> runBody);
    // Stops a run still going, as StopUpgrade does.
    ~CUpgradeWorker();
    CUpgradeWorker(const CUpgradeWorker&) = delete;
    CUpgradeWorker& operator=(const CUpgradeWorker&) = delete;

    // Stops a run still going, then starts one on a new thread; false when no thread could be made.
    bool StartUpgrade();
    // Asks the run to stop and waits for its thread to end, serving the calling thread's messages
    // meanwhile: the run's requests to the dialog are sent messages, its lines posted ones.
    void StopUpgrade();
    // True from a stop to the next start: a stop never reaches a run started after it.
    bool IsStopRequested() const { return m_bStop.load(); }
    // A run's thread is under way.
    bool HasWorker() const { return m_hThread && ::WaitForSingleObject(m_hThread.Get(), 0) == WAIT_TIMEOUT; }

private:
    static unsigned __stdcall ThreadEntry(void* worker);

    std::function<void()> m_runBody;
    CScopedKernelHandle m_hThread;  // the latest run's thread, ended or not
    std::atomic<bool> m_bStop{false};
};
