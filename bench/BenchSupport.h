#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "os/SystemCalls.h"
#include "package/UpgradePackage.h"

// The system calls the benches make, and give the code they time: straight to the system.
ISystemCalls& BenchCalls();

// Points TMP and TEMP at the folder, so every scratch file is made there.
void UseTempFolder(const std::string& folder);

// Milliseconds since construction or the last lap.
class CStopwatch {
public:
    CStopwatch();
    double Lap();

private:
    LARGE_INTEGER m_frequency{};
    LARGE_INTEGER m_last{};
};

// The process's private memory, sampled every 2 ms on a thread of its own: the system keeps no
// peak of it.
class CMemorySampler {
public:
    CMemorySampler();
    ~CMemorySampler();
    CMemorySampler(const CMemorySampler&) = delete;
    CMemorySampler& operator=(const CMemorySampler&) = delete;

    SIZE_T GetStartPrivate() const { return m_start; }
    SIZE_T GetPeakPrivate() const { return m_peak.load(); }
    // The largest working set the process had, as the system keeps it.
    static SIZE_T GetPeakWorkingSet();

private:
    static SIZE_T GetPrivate();
    SIZE_T m_start;
    std::atomic<SIZE_T> m_peak;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
