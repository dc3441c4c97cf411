#include "BenchSupport.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/ScopedHandles.h"
#include "os/WindowsSystemCalls.h"

void UseTempFolder(const std::string& folder) {
    ::SetEnvironmentVariableA("TMP", folder.c_str());
    ::SetEnvironmentVariableA("TEMP", folder.c_str());
}

CStopwatch::CStopwatch() {
    ::QueryPerformanceFrequency(&m_frequency);
    ::QueryPerformanceCounter(&m_last);
}

double CStopwatch::Lap() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    const double ms = static_cast<double>(now.QuadPart - m_last.QuadPart) * 1000.0 / m_frequency.QuadPart;
    m_last = now;
    return ms;
}

namespace {

// Under Wine the process is a Linux process whose status file tells its private (anonymous)
// memory; Wine's own counters leave private usage at 0. Zero when the file is not there.
SIZE_T GetLinuxPrivate() {
    CScopedKernelHandle file(::CreateFileA("Z:\\proc\\self\\status", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid()) return 0;
    char text[4096] = {};
    DWORD read = 0;
    if (!::ReadFile(file.Get(), text, sizeof text - 1, &read, nullptr)) return 0;
    SIZE_T total = 0;
    for (const char* key : {"RssAnon:", "VmSwap:"}) {
        const char* at = std::strstr(text, key);
        if (at) total += static_cast<SIZE_T>(std::strtoull(at + std::strlen(key), nullptr, 10)) * 1024;
    }
    return total;
}

}  // namespace

SIZE_T CMemorySampler::GetPrivate() {
    const SIZE_T fromStatus = GetLinuxPrivate();
    if (fromStatus != 0) return fromStatus;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters);
    return counters.PrivateUsage;
}

SIZE_T CMemorySampler::GetPeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

CMemorySampler::CMemorySampler() : m_start(GetPrivate()), m_peak(m_start) {
    m_thread = std::thread([this] {
        while (!m_bStop.load()) {
            const SIZE_T now = GetPrivate();
            if (now > m_peak.load()) m_peak.store(now);
            ::Sleep(2);
        }
    });
}

CMemorySampler::~CMemorySampler() {
    m_bStop.store(true);
    m_thread.join();
}

ISystemCalls& BenchCalls() {
    static CWindowsSystemCalls calls;
    return calls;
}
