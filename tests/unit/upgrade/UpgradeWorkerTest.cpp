#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "upgrade/UpgradeWorker.h"

namespace {

// A run that waits for a stop, or ends by itself once released.
class CTestWorker : public CUpgradeWorker {
public:
    std::atomic<int> runs{0};
    std::atomic<bool> finishOnItsOwn{false};
    std::atomic<bool> sawStop{false};
    std::atomic<HRESULT> comOnWorker{E_FAIL};
    std::atomic<DWORD> workerThreadId{0};

    ~CTestWorker() override { StopUpgrade(); }

    void DoUpgrade() override {
        ++runs;
        workerThreadId = GetCurrentThreadId();
        // Already initialised for the multithreaded apartment by the worker: S_FALSE.
        comOnWorker = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(comOnWorker.load())) CoUninitialize();
        while (!finishOnItsOwn && !IsStopRequested()) Sleep(5);
        sawStop = IsStopRequested();
    }
};

// A run that ends on its own, and a stop that arrives after the run's last look for one: the
// worker's own look after the run is held until the stop is posted, and does not see it.
class CLateStopWorker : public CTestWorker {
public:
    std::atomic<bool> runOver{false};
    mutable std::atomic<bool> lateStopPosted{false};

    void DoUpgrade() override {
        ++runs;
        runOver = true;
    }
    bool IsStopRequested() const override {
        if (runs == 1 && runOver && !lateStopPosted) {
            while (!CUpgradeWorker::IsStopRequested()) Sleep(1);
            lateStopPosted = true;
            return false;
        }
        return CUpgradeWorker::IsStopRequested();
    }
};

void WaitUntilIdle(const CUpgradeWorker& worker) {
    for (int i = 0; i < 1000 && worker.HasWorker(); ++i) Sleep(5);
}

}  // namespace

TEST(UpgradeWorker, WithoutAThreadNothingIsPostedOrStopped) {
    CTestWorker worker;
    EXPECT_EQ(worker.PostCommand(CMD_START, 0), E_FAIL);
    EXPECT_FALSE(worker.IsStopRequested());
    EXPECT_EQ(worker.StopUpgrade(), 1);
    EXPECT_EQ(worker.runs, 0);
}

TEST(UpgradeWorker, StopEndsTheRunningUpgrade) {
    CTestWorker worker;
    EXPECT_EQ(worker.StartUpgrade(), S_OK);
    EXPECT_TRUE(worker.HasWorker());
    EXPECT_FALSE(worker.StartThread());  // one worker at a time
    EXPECT_EQ(worker.StopUpgrade(), 0);
    EXPECT_FALSE(worker.HasWorker());
    EXPECT_EQ(worker.runs, 1);
    EXPECT_TRUE(worker.sawStop);
    EXPECT_NE(worker.workerThreadId, GetCurrentThreadId());
    EXPECT_EQ(worker.comOnWorker, S_FALSE);
}

TEST(UpgradeWorker, AFinishedRunReleasesTheWorkerAndANewRunGetsANewThread) {
    CTestWorker worker;
    worker.finishOnItsOwn = true;
    ASSERT_EQ(worker.StartUpgrade(), S_OK);
    WaitUntilIdle(worker);
    EXPECT_FALSE(worker.HasWorker());
    EXPECT_FALSE(worker.sawStop);
    const DWORD first = worker.workerThreadId;

    ASSERT_EQ(worker.StartUpgrade(), S_OK);
    WaitUntilIdle(worker);
    EXPECT_EQ(worker.runs, 2);
    EXPECT_NE(worker.workerThreadId, first);
    EXPECT_EQ(worker.StopUpgrade(), 1);
}

TEST(UpgradeWorker, AStopThatFindsItsRunEndedNeverReachesTheNextRun) {
    CLateStopWorker worker;
    ASSERT_EQ(worker.StartUpgrade(), S_OK);
    while (!worker.runOver) Sleep(1);
    worker.StopUpgrade();  // Close pressed as the run ends
    EXPECT_TRUE(worker.lateStopPosted);
    EXPECT_FALSE(worker.IsStopRequested()) << "the stop is left for the next run";

    ASSERT_EQ(worker.StartUpgrade(), S_OK);
    WaitUntilIdle(worker);
    EXPECT_EQ(worker.runs, 2);
    EXPECT_FALSE(worker.HasWorker());
}

TEST(UpgradeWorker, StartingAgainStopsTheRunningOne) {
    CTestWorker worker;
    ASSERT_EQ(worker.StartUpgrade(), S_OK);
    ASSERT_EQ(worker.StartUpgrade(), S_OK);
    EXPECT_EQ(worker.runs.load() >= 1, true);
    EXPECT_TRUE(worker.HasWorker());
    EXPECT_EQ(worker.StopUpgrade(), 0);
    EXPECT_EQ(worker.runs, 2);
}

TEST(UpgradeWorker, DestroyingTheOwnerEndsItsWorker) {
    auto worker = std::make_unique<CTestWorker>();
    ASSERT_EQ(worker->StartUpgrade(), S_OK);
    worker.reset();  // must not hang or leave the thread running on a dead object
    SUCCEED();
}
