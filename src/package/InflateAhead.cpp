#include "package/InflateAhead.h"

#include <process.h>

#include <algorithm>

#include "package/CompressionLibrary.h"
#include "util/FileHelpers.h"
#include "util/ParallelWork.h"
#include "util/Trace.h"

namespace {

// How far the workers may run ahead of the pass: enough to keep them busy while the pass renames,
// few enough that a failure has little to delete.
const size_t MOST_AHEAD = 8;

// Both halves must be non-zero for a time to count as stored.
bool HasStoredTime(const FILETIME& time) { return time.dwHighDateTime != 0 && time.dwLowDateTime != 0; }

unsigned CountWorkers(size_t files) { return static_cast<unsigned>(std::min<size_t>(CountWorkThreads(), files)); }

}  // namespace

bool WriteNewFile(ISystemCalls& calls, const CCompressionLibrary& library, const NEW_FILE& file,
                  CScopedKernelHandle& handle, bool bEndFile) {
    bool bWritten = library.InflateInto(file.pData, file.dwLength, handle.Get());
    if (bWritten && bEndFile) bWritten = calls.SetEnd(handle.Get()) != FALSE;
    if (bWritten && HasStoredTime(file.ftLastWrite))
        bWritten = calls.SetTime(handle.Get(), nullptr, nullptr, &file.ftLastWrite) != FALSE;
    if (bWritten && file.bFlush) bWritten = calls.Flush(handle.Get()) != FALSE;
    // Closing is where a full disk may show last.
    return CloseWrittenFile(calls, handle) && bWritten;
}

bool MakeNewFile(ISystemCalls& calls, const CCompressionLibrary& library, const NEW_FILE& file) {
    CScopedKernelHandle handle(
        calls.OpenFile(file.strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    if (!handle) return false;
    if (WriteNewFile(calls, library, file, handle)) return true;
    DeleteScratchFile(calls, file.strPath);
    return false;
}

CInflateAhead::CInflateAhead(ISystemCalls& calls, const CCompressionLibrary& library, std::vector<NEW_FILE> files)
    : m_calls(calls), m_library(library), m_files(std::move(files)), m_states(m_files.size(), FILE_WAITING) {}

CInflateAhead::~CInflateAhead() { Stop(); }

void CInflateAhead::StartWorkers() {
    const unsigned count = m_calls.AllowsCallsFromManyThreads() ? CountWorkers(m_files.size()) : 0;
    for (unsigned i = 0; i < count; ++i) {
        // A worker that cannot be made leaves its share to the others, or to the steps themselves.
        const uintptr_t thread = _beginthreadex(nullptr, 0, &CInflateAhead::WorkerEntry, this, 0, nullptr);
        if (thread != 0) m_workers.emplace_back(reinterpret_cast<HANDLE>(thread));
    }
}

unsigned __stdcall CInflateAhead::WorkerEntry(void* ahead) {
    static_cast<CInflateAhead*>(ahead)->Work();
    return 0;
}

void CInflateAhead::Work() {
    for (;;) {
        size_t index;
        {
            CSingleLock hold(m_lock);
            while ((index = ClaimForWorker()) == m_files.size() && !m_bStop && m_nStarted < m_files.size())
                WaitForChange();
            if (index == m_files.size()) return;
        }
        const bool bMade = Make(index);
        {
            CSingleLock hold(m_lock);
            m_states[index] = bMade ? FILE_MADE : FILE_FAILED;
        }
        ::WakeAllConditionVariable(&m_changed);
    }
}

size_t CInflateAhead::ClaimForWorker() {
    while (m_nStarted < m_files.size() && m_states[m_nStarted] != FILE_WAITING) ++m_nStarted;
    if (m_bStop || m_nStarted >= m_files.size() || m_nStarted >= m_nReached + MOST_AHEAD) return m_files.size();
    m_states[m_nStarted] = FILE_MAKING;
    return m_nStarted++;
}

void CInflateAhead::WaitForChange() { ::SleepConditionVariableCS(&m_changed, m_lock.GetSection(), INFINITE); }

bool CInflateAhead::Make(size_t index) noexcept {
    bool bMade = false;
    try {
        bMade = MakeNewFile(m_calls, m_library, m_files[index]);
    } catch (...) {
        // Out of memory half way, say: the file is that entry's failure, never the end of the program.
        DeleteScratchFile(m_calls, m_files[index].strPath);
    }
    TraceEvent("%s %u", bMade ? "inflated" : "inflate failed", static_cast<unsigned>(index + 1));
    return bMade;
}

bool CInflateAhead::Take(size_t index) {
    bool bMakeHere = false;
    {
        CSingleLock hold(m_lock);
        if (index >= m_files.size()) return false;
        if (m_states[index] == FILE_WAITING) {
            // No worker has come to it: the step makes it itself rather than wait.
            m_states[index] = FILE_MAKING;
            bMakeHere = true;
        } else if (m_states[index] == FILE_MAKING) {
            TraceEvent("wait %u", static_cast<unsigned>(index + 1));
            while (m_states[index] == FILE_MAKING) WaitForChange();
        }
    }
    const bool bMadeHere = bMakeHere && Make(index);
    bool bMade;
    {
        CSingleLock hold(m_lock);
        bMade = bMakeHere ? bMadeHere : m_states[index] == FILE_MADE;
        m_states[index] = bMade ? FILE_TAKEN : FILE_FAILED;
        if (index + 1 > m_nReached) m_nReached = index + 1;
    }
    // The workers may go one file further ahead.
    ::WakeAllConditionVariable(&m_changed);
    return bMade;
}

void CInflateAhead::Stop() {
    {
        CSingleLock hold(m_lock);
        m_bStop = true;
    }
    ::WakeAllConditionVariable(&m_changed);
    for (CScopedKernelHandle& worker : m_workers) ::WaitForSingleObject(worker.Get(), INFINITE);
    m_workers.clear();
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_states[i] == FILE_MADE) DeleteScratchFile(m_calls, m_files[i].strPath);
        if (m_states[i] != FILE_TAKEN) m_states[i] = FILE_WAITING;
    }
}
