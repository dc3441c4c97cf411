#include "package/CompressionLibrary.h"

#include <cstdio>
#include <memory>

#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "package/UpgradePackage.h"
#include "util/DecimalText.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"

namespace {

// The library's public gzip file functions.
using GzFile = void*;
using GzOpenFunc = GzFile (*)(const char* path, const char* mode);
using GzReadFunc = int (*)(GzFile file, void* buffer, unsigned length);
using GzWriteFunc = int (*)(GzFile file, const void* buffer, unsigned length);
using GzCloseFunc = int (*)(GzFile file);

constexpr int kGzipOk = 0;  // Z_OK

// Data moves in pieces of this size through a buffer on the operation's own stack.
constexpr unsigned kTransferSize = 128;

// The library, loaded for the length of one operation.
class CGzipLibrary {
public:
    bool Load(const std::string& path) {
        if (path.empty()) return false;
        m_module.Reset(::LoadLibraryA(path.c_str()));
        return m_module.IsValid();
    }
    template <class F>
    bool Bind(const char* name, F& entry) const {
        FARPROC proc = ::GetProcAddress(m_module.Get(), name);
        // Through a neutral function type: the entry's real type is the library's promise.
        entry = reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
        return entry != nullptr;
    }

private:
    CScopedLibrary m_module;
};

// A gzip file of the bound library, closed through it on every path.
class CGzipHandle {
public:
    CGzipHandle(GzCloseFunc close, GzFile file) : m_close(close), m_file(file) {}
    CGzipHandle(const CGzipHandle&) = delete;
    CGzipHandle& operator=(const CGzipHandle&) = delete;
    ~CGzipHandle() { Close(); }
    GzFile Get() const { return m_file; }
    bool IsOpen() const { return m_file != nullptr; }
    // The library's answer: Z_OK, or an error such as a truncated member when reading.
    int Close() {
        if (m_file == nullptr) return kGzipOk;
        GzFile file = m_file;
        m_file = nullptr;
        return m_close(file);
    }

private:
    GzCloseFunc m_close;
    GzFile m_file;
};

// A runtime-library file, closed on every path.
struct StdFileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using CScopedStdFile = std::unique_ptr<FILE, StdFileCloser>;

// Closes the file and answers whether everything buffered reached it.
bool CloseStdFile(CScopedStdFile& file) { return std::fclose(file.release()) == 0; }

// Writes the bytes to a new scratch file; empty when it could not be written whole.
std::string WriteScratchFile(const void* bytes, DWORD size) {
    const std::string path = NewTempFile();
    if (path.empty()) return path;
    CFile file;
    bool written = file.Open(path, CFile::modeCreate | CFile::modeReadWrite);
    written = written && file.Write(bytes, size);
    written = file.Close() && written;
    // A truncated library would only fail later, so a full disk leaves no file now.
    if (!written) {
        CFile::Remove(path);
        return std::string();
    }
    return path;
}

// The library copies a file that is not gzip through unchanged, so data whose header is damaged
// would be installed as it stands. Anything but an empty file must start like a gzip member.
bool LooksLikeGzip(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return false;
    BYTE magic[2] = {};
    const UINT read = file.Read(magic, sizeof magic);
    return read == 0 || (read == sizeof magic && magic[0] == 0x1F && magic[1] == 0x8B);
}

// Inflates every piece; false on damaged data or a short write.
bool InflateInto(GzReadFunc gzRead, GzFile input, FILE* output) {
    char buffer[kTransferSize];
    for (;;) {
        const int count = gzRead(input, buffer, sizeof buffer);
        if (count < 0) return false;
        if (count == 0) return true;
        if (std::fwrite(buffer, 1, static_cast<size_t>(count), output) != static_cast<size_t>(count)) return false;
    }
}

// Deflates every piece, counting the bytes read; false on a read error or a refused write.
bool DeflateFrom(FILE* input, GzWriteFunc gzWrite, GzFile output, DWORD& total) {
    char buffer[kTransferSize];
    for (;;) {
        const size_t count = std::fread(buffer, 1, sizeof buffer, input);
        if (count == 0) return std::ferror(input) == 0;
        total += static_cast<DWORD>(count);
        if (gzWrite(output, buffer, static_cast<unsigned>(count)) != static_cast<int>(count)) return false;
    }
}

}  // namespace

std::string ExtractCompressionLibrary(HMODULE module) {
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(COMPRESSION_LIBRARY_RESOURCE_ID), PACKAGE_RESOURCE_TYPE);
    if (resource == nullptr) return std::string();
    HGLOBAL loaded = ::LoadResource(module, resource);
    if (loaded == nullptr) return std::string();
    const void* bytes = ::LockResource(loaded);
    if (bytes == nullptr) return std::string();
    // The resource stays mapped with the module, so it is written straight from there.
    return WriteScratchFile(bytes, ::SizeofResource(module, resource));
}

int DecompressFile(const std::string& gzipPath, const std::string& outputPath, const std::string& libraryPath,
                   bool* outputChanged) {
    if (outputChanged) *outputChanged = false;
    CGzipLibrary library;
    GzOpenFunc gzOpen;
    GzReadFunc gzRead;
    GzCloseFunc gzClose;
    if (!library.Load(libraryPath)) return -1;
    if (!library.Bind("gzopen", gzOpen) || !library.Bind("gzread", gzRead) || !library.Bind("gzclose", gzClose)) {
        return -1;
    }
    if (!LooksLikeGzip(gzipPath)) return -1;
    CGzipHandle input(gzClose, gzOpen(gzipPath.c_str(), "rb"));
    if (!input.IsOpen()) return -1;
    CScopedStdFile output(std::fopen(outputPath.c_str(), "wb"));
    if (!output) return -1;
    if (outputChanged) *outputChanged = true;

    bool complete = InflateInto(gzRead, input.Get(), output.get());
    // Closing reports a member that ended before its trailer.
    complete = input.Close() == kGzipOk && complete;
    complete = CloseStdFile(output) && complete;
    return complete ? 1 : -1;
}

int CompressFile(const std::string& sourcePath, const std::string& gzipPath, std::string& rateText,
                 const std::string& libraryPath) {
    CGzipLibrary library;
    GzOpenFunc gzOpen;
    GzWriteFunc gzWrite;
    GzCloseFunc gzClose;
    if (!library.Load(libraryPath)) return -1;
    if (!library.Bind("gzopen", gzOpen) || !library.Bind("gzwrite", gzWrite) || !library.Bind("gzclose", gzClose)) {
        return -1;
    }
    CScopedStdFile source(std::fopen(sourcePath.c_str(), "rb"));
    if (!source) return -1;
    CGzipHandle output(gzClose, gzOpen(gzipPath.c_str(), "wb"));
    if (!output.IsOpen()) return -1;

    DWORD total = 0;
    bool complete = DeflateFrom(source.get(), gzWrite, output.Get(), total);
    source.reset();
    // Closing flushes the last block and the trailer; a full disk shows here.
    complete = output.Close() == kGzipOk && complete;
    if (!complete) return -1;
    rateText = FormatCompressionRate(total, GetFileSize(gzipPath));
    return 1;
}

DWORD GetFileSize(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return 0;
    return static_cast<DWORD>(file.GetLength());
}

std::string FormatCompressionRate(DWORD uncompressed, DWORD compressed) {
    const double u = uncompressed;
    const double z = compressed;
    double rate = 0.0;  // nothing to compress saves nothing
    if (uncompressed != 0) rate = z > u ? z / u * 100.0 : (1.0 - z / u) * 100.0;
    return FormatText("%s%%", FormatDecimal(rate, 2, true).c_str());
}
