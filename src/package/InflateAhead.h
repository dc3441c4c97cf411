#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

class CCompressionLibrary;

// One entry's new file: what is written, with which time, and whether it goes to the disk before
// it is closed.
struct NEW_FILE {
    std::string strPath;          // the temporary file beside the destination
    const BYTE* pData = nullptr;  // the gzip member, inside the package
    DWORD dwLength = 0;
    FILETIME ftLastWrite{};       // set only when both halves are non-zero
    bool bFlush = false;
};

// Inflates the member into the open file from where it stands (ending the file there when asked),
// gives it the stored time, flushes it when asked and closes it. True when all of it went through,
// the close included: a full disk may show only there.
bool WriteNewFile(ISystemCalls& calls, const CCompressionLibrary& library, const NEW_FILE& file,
                  CScopedKernelHandle& handle, bool bEndFile = false);
// Creates the file new at its path and writes it whole; a file that could not be is deleted.
bool MakeNewFile(ISystemCalls& calls, const CCompressionLibrary& library, const NEW_FILE& file);

// Makes the install pass's new files ahead of it, in package order, on a few worker threads
// (no more than the machine's cores, at most 4), never more than a few entries ahead of the
// pass. Each entry's step takes its own file; a file that no worker has started yet is made on
// the step's own thread, so the pass never waits for a worker that is not working for it. Without
// workers, each step makes its file itself as the pass reaches it.
// Only a file the journal's plan names is ever made, so a killed run leaves nothing that its
// recovery does not delete.
class CInflateAhead {
public:
    CInflateAhead(ISystemCalls& calls, const CCompressionLibrary& library, std::vector<NEW_FILE> files);
    // Stop(), so that no worker outlives the files and the library it works on.
    ~CInflateAhead();
    CInflateAhead(const CInflateAhead&) = delete;
    CInflateAhead& operator=(const CInflateAhead&) = delete;

    // Starts the workers, once the object is whole; without a call, none work. None either where
    // the system calls must come from one thread.
    void StartWorkers();
    // Waits for the file of the entry at the index, or makes it. True when it is whole at its
    // path; false when it could not be made (whatever went wrong, a lack of memory too), and is gone.
    bool Take(size_t index);
    // Ends the workers once each has finished the file in its hands, and deletes every file made
    // that no step took (after a stop or a failure). Safe to repeat.
    void Stop();

private:
    enum FILE_STATE { FILE_WAITING, FILE_MAKING, FILE_MADE, FILE_FAILED, FILE_TAKEN };

    static unsigned __stdcall WorkerEntry(void* ahead);
    void Work();
    // Under the lock: the index of a file a worker may start now, or the count when there is none.
    size_t ClaimForWorker();
    // Makes the file, and answers whether it is whole: a failure of any kind is that file's.
    bool Make(size_t index) noexcept;
    // Under the lock: lets it go until a state, the taken count or the stop changes.
    void WaitForChange();

    ISystemCalls& m_calls;
    const CCompressionLibrary& m_library;
    const std::vector<NEW_FILE> m_files;
    std::vector<FILE_STATE> m_states;
    size_t m_nStarted = 0;  // files from the head that someone has started
    size_t m_nReached = 0;  // files from the head up to the last one a step took
    bool m_bStop = false;
    CCriticalSection m_lock;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;  // a state, the taken count or the stop changed
    std::vector<CScopedKernelHandle> m_workers;
};
