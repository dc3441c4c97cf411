#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

// zlib travels inside the program as resource "PACKAGE" 131 and is never linked. An upgrade run
// and the package builder both bind it through CCompressionLibrary: written into a folder of
// their own, compared with the embedded copy, and loaded once by its full path.
inline constexpr WORD COMPRESSION_LIBRARY_RESOURCE_ID = 131;

// The library's stream functions for inflating from memory (zlib.h's z_stream, passed as void*).
struct INFLATE_FUNCTIONS {
    int (*init)(void* stream, int windowBits, const char* version, int streamSize) = nullptr;  // inflateInit2_
    int (*inflate)(void* stream, int flush) = nullptr;
    int (*reset)(void* stream) = nullptr;
    int (*end)(void* stream) = nullptr;
};

// The library's gzip file functions for writing a gzip file.
struct GZIP_WRITE_FUNCTIONS {
    void* (*open)(const char* path, const char* mode) = nullptr;
    int (*write)(void* file, const void* buffer, unsigned length) = nullptr;
    int (*close)(void* file) = nullptr;
};

// zlib bound once for an upgrade run or a package build, from a file in the caller's folder (a
// private work folder when the caller runs elevated), and only when that file is byte for byte
// the library the program carries. The file stays open without write or delete sharing until the
// library is unloaded, so nobody can swap it meanwhile.
class CCompressionLibrary {
public:
    explicit CCompressionLibrary(ISystemCalls& calls) : m_calls(calls) {}
    CCompressionLibrary(const CCompressionLibrary&) = delete;
    CCompressionLibrary& operator=(const CCompressionLibrary&) = delete;
    // Unloads the library, then closes and deletes its file.
    ~CCompressionLibrary() { Unload(); }

    // For tests: sees the written file's path once it is closed, before it is checked.
    using AfterWrite = std::function<void(const std::string& path)>;

    // Writes the module's library (the running program's by default) into the folder, opens it
    // again for reading only, compares it with the embedded one and only then loads it by its
    // full path. False, with nothing loaded and no file left, when any step fails.
    bool Load(HMODULE module, const std::string& folder, const AfterWrite& afterWrite = {});
    bool IsLoaded() const { return m_module.IsValid(); }
    const std::string& GetPath() const { return m_strPath; }
    // Inflates a gzip member held in memory into the open file, from where its pointer stands.
    // Data that does not start like a gzip member, damaged data, a member cut short and a short
    // write are failures. An empty member writes nothing.
    bool InflateInto(const BYTE* data, DWORD length, HANDLE output) const;
    // Deflates the source into a gzip file. Only when it went through is rateText set, to the
    // compression rate such as "62.35%".
    bool CompressFile(const std::string& sourcePath, const std::string& gzipPath, std::string& rateText) const;

private:
    // Opens the written file for reading only and compares it with the embedded bytes.
    bool HoldIfIdentical(const void* bytes, DWORD size);
    void Unload();

    ISystemCalls& m_calls;
    std::string m_strPath;
    CScopedKernelHandle m_hFile;  // the file, held while the library is loaded
    CScopedLibrary m_module;
    INFLATE_FUNCTIONS m_inflate;
    GZIP_WRITE_FUNCTIONS m_gzip;
};

// The rate text of uncompressed bytes U and compressed bytes Z: the share saved, or the
// compressed size as a percentage of U when deflating made it larger.
std::string FormatCompressionRate(DWORD uncompressed, DWORD compressed);
