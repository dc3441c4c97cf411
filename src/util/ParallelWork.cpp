#include "util/ParallelWork.h"

#include <windows.h>

#include <process.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "framework/ScopedHandles.h"

namespace {

const unsigned MOST_THREADS = 4;

// The indexes still to do, handed out one at a time to whichever thread asks.
struct SHARED_WORK {
    const std::function<void(size_t)>& work;
    size_t count;
    std::atomic<size_t> next{0};

    void Run() {
        for (size_t i = next++; i < count; i = next++) work(i);
    }
};

unsigned __stdcall RunShare(void* shared) {
    static_cast<SHARED_WORK*>(shared)->Run();
    return 0;
}

}  // namespace

unsigned CountWorkThreads() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return std::clamp<unsigned>(info.dwNumberOfProcessors, 1, MOST_THREADS);
}

void DoInParallel(size_t count, const std::function<void(size_t)>& work) {
    SHARED_WORK shared{work, count};
    std::vector<CScopedKernelHandle> threads;
    const size_t helpers = std::min<size_t>(CountWorkThreads() - 1, count > 0 ? count - 1 : 0);
    for (size_t i = 0; i < helpers; ++i) {
        // A thread that cannot be made leaves its share to the others.
        const uintptr_t thread = _beginthreadex(nullptr, 0, &RunShare, &shared, 0, nullptr);
        if (thread != 0) threads.emplace_back(reinterpret_cast<HANDLE>(thread));
    }
    shared.Run();
    for (CScopedKernelHandle& thread : threads) ::WaitForSingleObject(thread.Get(), INFINITE);
}
