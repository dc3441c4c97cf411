#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "framework/ScopedHandles.h"
#include "upgrade/UpgradeWorker.h"

namespace {

const DWORD WAIT_MS = 30000;

// What one run saw.
struct RUN_SEEN {
    bool bStopAtStart = true;
    bool bAnswered = false;  // the owner's thread served the run's request
    bool bStopAtEnd = false;
    HRESULT com = E_FAIL;
    DWORD dwThreadId = 0;
    CScopedKernelHandle hThread;  // opened by the run itself, so a test can wait for its end
};

// The runs of one worker, each seen in a slot of its own. A run asks the owner's thread something
// by a sent message, as the real run's commands do: the owner serves it only while it waits in a
// stop, so the run looks for the stop again once answered. Without the request a run ends on its own.
class CSeenRuns {
public:
    CSeenRuns()
        : m_hOwnerWindow(::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)),
          m_worker(std::make_unique<CUpgradeWorker>([this] { Run(); })),
          m_pWorker(m_worker.get()) {}
    ~CSeenRuns() {
        m_worker.reset();
        ::DestroyWindow(m_hOwnerWindow);
    }

    CUpgradeWorker& Worker() { return *m_pWorker; }
    // The worker goes as its owner does.
    void DestroyWorker() { m_worker.reset(); }
    // The nth run (from 0), once it has begun.
    RUN_SEEN& Started(int n) {
        EXPECT_EQ(::WaitForSingleObject(m_hStarted[n].Get(), WAIT_MS), WAIT_OBJECT_0) << "run " << n;
        return m_seen[n];
    }

    bool bAskOwner = true;

private:
    void Run() {
        const int n = m_nRuns++;
        RUN_SEEN& seen = m_seen[n];
        seen.bStopAtStart = m_pWorker->IsStopRequested();
        seen.dwThreadId = ::GetCurrentThreadId();
        seen.hThread.Reset(::OpenThread(SYNCHRONIZE, FALSE, seen.dwThreadId));
        // Already initialised for the multithreaded apartment by the worker: S_FALSE.
        seen.com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(seen.com)) ::CoUninitialize();
        ::SetEvent(m_hStarted[n].Get());
        if (bAskOwner) seen.bAnswered = ::SendMessageTimeoutA(m_hOwnerWindow, WM_NULL, 0, 0, 0, WAIT_MS, nullptr) != 0;
        seen.bStopAtEnd = m_pWorker->IsStopRequested();
    }

    HWND m_hOwnerWindow;
    RUN_SEEN m_seen[2];
    CScopedKernelHandle m_hStarted[2]{CScopedKernelHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
                                      CScopedKernelHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr))};
    int m_nRuns = 0;  // runs follow one another: each thread has ended before the next starts
    std::unique_ptr<CUpgradeWorker> m_worker;
    CUpgradeWorker* m_pWorker;  // still there while the worker is being destroyed
};

}  // namespace

TEST(UpgradeWorker, EachRunIsStoppedOnlyByAStopMadeWhileItRuns) {
    CSeenRuns runs;
    CUpgradeWorker& worker = runs.Worker();
    worker.StopUpgrade();  // nothing to stop
    EXPECT_FALSE(worker.HasWorker());

    ASSERT_TRUE(worker.StartUpgrade());
    const RUN_SEEN& first = runs.Started(0);
    EXPECT_TRUE(worker.HasWorker());
    // Starting again stops the first run, serving its request meanwhile, and starts the second.
    ASSERT_TRUE(worker.StartUpgrade());
    const RUN_SEEN& second = runs.Started(1);
    EXPECT_TRUE(first.bAnswered && first.bStopAtEnd);
    EXPECT_FALSE(second.bStopAtStart) << "the first run's stop reached the second";
    worker.StopUpgrade();
    EXPECT_FALSE(worker.HasWorker());
    EXPECT_TRUE(second.bAnswered && second.bStopAtEnd);

    for (const RUN_SEEN* run : {&first, &second}) {
        EXPECT_FALSE(run->bStopAtStart);
        EXPECT_NE(run->dwThreadId, ::GetCurrentThreadId());
        EXPECT_EQ(run->com, S_FALSE);
    }
    EXPECT_NE(first.dwThreadId, second.dwThreadId);
}

// The dialog's Close pressed just as a run ends on its own stops nothing: not that run, not the next.
TEST(UpgradeWorker, ARunThatEndsOnItsOwnLeavesNoWorkerAndALateStopReachesNoLaterRun) {
    CSeenRuns runs;
    CUpgradeWorker& worker = runs.Worker();
    runs.bAskOwner = false;
    ASSERT_TRUE(worker.StartUpgrade());
    const RUN_SEEN& first = runs.Started(0);
    ASSERT_EQ(::WaitForSingleObject(first.hThread.Get(), WAIT_MS), WAIT_OBJECT_0);
    EXPECT_FALSE(worker.HasWorker());
    EXPECT_FALSE(first.bStopAtEnd);
    worker.StopUpgrade();

    runs.bAskOwner = true;
    ASSERT_TRUE(worker.StartUpgrade());
    const RUN_SEEN& second = runs.Started(1);
    EXPECT_FALSE(second.bStopAtStart);
    EXPECT_NE(second.dwThreadId, first.dwThreadId);  // the first thread's handle is still open
    worker.StopUpgrade();
    EXPECT_TRUE(second.bStopAtEnd);
}

TEST(UpgradeWorker, DestroyingTheWorkerStopsItsRunAndWaitsForIt) {
    CSeenRuns runs;
    ASSERT_TRUE(runs.Worker().StartUpgrade());
    const RUN_SEEN& run = runs.Started(0);
    runs.DestroyWorker();
    EXPECT_EQ(::WaitForSingleObject(run.hThread.Get(), 0), WAIT_OBJECT_0) << "the run outlived its worker";
    EXPECT_TRUE(run.bAnswered && run.bStopAtEnd);
}
