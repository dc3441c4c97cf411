#include "util/ParallelWork.h"

#include <windows.h>

#include <process.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ScopedHandles.h"

namespace {

const unsigned MOST_THREADS = 4;

// The indexes still to do, handed out one at a time to whichever thread asks. A call that throws
// ends nobody's thread: its exception is kept for the caller, and no index is started after it.
struct SHARED_WORK {
    SHARED_WORK(const std::function<void(size_t)>& work, size_t count) : work(work), count(count) {}
    const std::function<void(size_t)>& work;
    size_t count;
    std::atomic<size_t> next{0};
    CCriticalSection failureLock;
    std::exception_ptr failure;

    void Run() noexcept {
        for (size_t i = next++; i < count; i = next++) {
            try {
                work(i);
            } catch (...) {
                CSingleLock hold(failureLock);
                if (!failure) failure = std::current_exception();
                next = count;
            }
        }
    }
};

unsigned __stdcall RunShare(void* shared) {
    static_cast<SHARED_WORK*>(shared)->Run();
    return 0;
}

// The helper threads of one call, waited for on every way out of it: none outlives the frame whose
// work it shares.
struct HELPERS {
    std::vector<CScopedKernelHandle> threads;
    ~HELPERS() {
        for (CScopedKernelHandle& thread : threads) ::WaitForSingleObject(thread.Get(), INFINITE);
    }
};

}  // namespace

unsigned CountWorkThreads() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return std::clamp<unsigned>(info.dwNumberOfProcessors, 1, MOST_THREADS);
}

void DoInParallel(size_t count, const std::function<void(size_t)>& work) {
    SHARED_WORK shared(work, count);
    {
        HELPERS helpers;
        const size_t wanted = std::min<size_t>(CountWorkThreads() - 1, count > 0 ? count - 1 : 0);
        for (size_t i = 0; i < wanted; ++i) {
            // A thread that cannot be made leaves its share to the others.
            const uintptr_t thread = _beginthreadex(nullptr, 0, &RunShare, &shared, 0, nullptr);
            if (thread != 0) helpers.threads.emplace_back(reinterpret_cast<HANDLE>(thread));
        }
        shared.Run();
    }
    if (shared.failure) std::rethrow_exception(shared.failure);
}
