// The least work that puts the same files in place: zlib loaded once, every member inflated
// from memory to its destination through a 64 KiB buffer. Nothing is backed up or timed.
// Usage: bench_baseline.exe <package file> <installation folder\> <temporary folder\>
#include <zlib.h>

#include <cstdio>
#include <memory>

#include "BenchSupport.h"
#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "package/PackageEntryReader.h"

namespace {

using InflateInitFunc = int (*)(z_streamp, int, const char*, int);
using InflateFunc = int (*)(z_streamp, int);
using InflateEndFunc = int (*)(z_streamp);

struct BASELINE_INFLATE {
    InflateInitFunc init;
    InflateFunc inflate;
    InflateEndFunc end;
};

template <class F>
bool Bind(HMODULE module, const char* name, F& entry) {
    entry = reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
    return entry != nullptr;
}

constexpr DWORD BUFFER_SIZE = 64 * 1024;

bool InflateTo(const BASELINE_INFLATE& z, const BYTE* data, DWORD length, const std::string& path, BYTE* buffer) {
    CScopedKernelHandle file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    z_stream s{};
    if (z.init(&s, 15 + 16, ZLIB_VERSION, sizeof s) != Z_OK) return false;
    s.next_in = const_cast<BYTE*>(data);
    s.avail_in = length;
    int rc = Z_OK;
    bool written = true;
    while (rc == Z_OK && written) {
        s.next_out = buffer;
        s.avail_out = BUFFER_SIZE;
        rc = z.inflate(&s, Z_NO_FLUSH);
        DWORD count = 0;
        const DWORD produced = BUFFER_SIZE - s.avail_out;
        written = ::WriteFile(file.Get(), buffer, produced, &count, nullptr) && count == produced;
    }
    z.end(&s);
    return rc == Z_STREAM_END && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_baseline <package file> <installation folder\\> <temporary folder\\>\n");
        return 2;
    }
    UseTempFolder(argv[3]);
    CUpgradePackage package;
    if (!LoadPackage(BenchCalls(), package, argv[1]).empty()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    CMemorySampler memory;
    CStopwatch watch;
    CCompressionLibrary bound(BenchCalls());  // written and checked as a run does; bound here on its own
    bound.Load(nullptr, argv[3]);
    const std::string libraryPath = bound.GetPath();
    int failures = 0;
    {
        CScopedLibrary library(::LoadLibraryA(libraryPath.c_str()));
        BASELINE_INFLATE z{};
        if (!Bind(library.Get(), "inflateInit2_", z.init) || !Bind(library.Get(), "inflate", z.inflate) ||
            !Bind(library.Get(), "inflateEnd", z.end)) {
            std::fprintf(stderr, "cannot bind zlib from %s\n", libraryPath.c_str());
            return 1;
        }
        auto buffer = std::make_unique<BYTE[]>(BUFFER_SIZE);
        CPackageEntryReader reader(package);
        for (DWORD i = 0; i < package.GetEntryCount(); ++i) {
            STORED_ENTRY fields;
            const std::string error = reader.ReadNext(argv[2], INSTALL_READ, fields);
            if (!error.empty() ||
                !InflateTo(z, fields.pCompressedData, fields.dwCompressedLength, fields.strDestPath, buffer.get())) {
                std::fprintf(stderr, "entry %lu failed %s\n", i, error.c_str());
                ++failures;
            }
        }
    }
    const double inflateMs = watch.Lap();
    std::printf("baseline inflate_ms=%.1f package=%lu start_private=%zu peak_private=%zu peak_working_set=%zu "
                "failures=%d\n",
                inflateMs, package.GetSize(), memory.GetStartPrivate(), memory.GetPeakPrivate(),
                CMemorySampler::GetPeakWorkingSet(), failures);
    return failures == 0 ? 0 : 1;
}
