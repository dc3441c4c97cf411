#include "util/Trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "framework/CriticalSection.h"
#include "framework/ScopedHandles.h"
#include "os/WindowsSystemCalls.h"

namespace {

const char TRACE_VARIABLE[] = "QU_TRACE";

// The trace file and the clock, set up once at the first event.
class CTraceFile {
public:
    CTraceFile() {
#ifdef QU_TRACE_BUILD
        Open();
#endif
    }
    void Open() {
        char path[MAX_PATH] = "";
        const DWORD length = ::GetEnvironmentVariableA(TRACE_VARIABLE, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return;
        m_file.Reset(m_calls.OpenFile(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL));
        ::QueryPerformanceFrequency(&m_frequency);
        ::QueryPerformanceCounter(&m_start);
        m_startBusy = ReadMachineBusyTime();
    }
    // In the system's 100 ns units, summed over every core.
    static ULONGLONG ReadMachineBusyTime() {
        FILETIME idle{}, kernel{}, user{};
        if (!::GetSystemTimes(&idle, &kernel, &user)) return 0;
        // The kernel time includes the idle time.
        return ToUnits(kernel) + ToUnits(user) - ToUnits(idle);
    }
    double GetMachineBusyMs() const { return static_cast<double>(ReadMachineBusyTime() - m_startBusy) / 10000.0; }
    bool IsOn() const { return m_file.IsValid(); }
    void Write(const char* event) {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        const double ms = static_cast<double>(now.QuadPart - m_start.QuadPart) * 1000.0 / m_frequency.QuadPart;
        char line[1200];
        const int length = std::snprintf(line, sizeof line, "%.3f %s\r\n", ms, event);
        if (length <= 0) return;
        CSingleLock hold(m_lock);
        DWORD written = 0;
        m_calls.Write(m_file.Get(), line,
                      static_cast<DWORD>(length < static_cast<int>(sizeof line) ? length : sizeof line - 1), &written);
    }

private:
    // The trace is the bench's, not the run's: its calls are not counted among the run's.
    CWindowsSystemCalls m_calls;
    CScopedKernelHandle m_file;
    LARGE_INTEGER m_frequency{};
    LARGE_INTEGER m_start{};
    ULONGLONG m_startBusy = 0;
    static ULONGLONG ToUnits(const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    }
    CCriticalSection m_lock;
};

CTraceFile& GetTraceFile() {
    static CTraceFile file;  // made on first use, once, whatever thread comes first
    return file;
}

}  // namespace

void TraceEvent(const char* format, ...) {
    CTraceFile& file = GetTraceFile();
    if (!file.IsOn()) return;
    char event[1100];
    va_list args;
    va_start(args, format);
    std::vsnprintf(event, sizeof event, format, args);
    va_end(args);
    file.Write(event);
}

void TraceWithMachineTime(const char* event) {
    CTraceFile& file = GetTraceFile();
    if (!file.IsOn()) return;
    TraceEvent("%s cpu=%.1f", event, file.GetMachineBusyMs());
}
