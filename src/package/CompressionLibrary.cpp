#include "package/CompressionLibrary.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "framework/ScopedHandles.h"
#include "util/FileHelpers.h"
#include "package/UpgradePackage.h"
#include "util/DecimalText.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"

namespace {

using GzFile = void*;
using GzCloseFunc = decltype(GZIP_WRITE_FUNCTIONS::close);
using GzWriteFunc = decltype(GZIP_WRITE_FUNCTIONS::write);

constexpr int GZIP_OK = 0;  // Z_OK

// Data moves in pieces of this size through a buffer on the operation's own stack.
constexpr unsigned TRANSFER_SIZE = 128;

template <class F>
bool BindEntry(HMODULE module, const char* name, F& entry) {
    FARPROC proc = ::GetProcAddress(module, name);
    // Through a neutral function type: the entry's real type is the library's promise.
    entry = reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
    return entry != nullptr;
}

bool BindGzipWrite(HMODULE module, GZIP_WRITE_FUNCTIONS& gzip) {
    return BindEntry(module, "gzopen", gzip.open) && BindEntry(module, "gzwrite", gzip.write) &&
           BindEntry(module, "gzclose", gzip.close);
}

bool BindInflate(HMODULE module, INFLATE_FUNCTIONS& functions) {
    return BindEntry(module, "inflateInit2_", functions.init) && BindEntry(module, "inflate", functions.inflate) &&
           BindEntry(module, "inflateReset", functions.reset) && BindEntry(module, "inflateEnd", functions.end);
}

// gzip decoding: the window of deflate's default, and the gzip header and trailer checked.
constexpr int GZIP_WINDOW_BITS = 15 + 16;
// Inflated data goes to the file in pieces of this size.
constexpr DWORD INFLATE_CHUNK = 64 * 1024;

bool StartsLikeGzip(const BYTE* data, size_t length) {
    return length >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

// A z_stream of the bound library, ended on every path.
class CInflateStream {
public:
    CInflateStream(ISystemCalls& calls, const INFLATE_FUNCTIONS& functions) : m_calls(calls), m_functions(functions) {
        m_bOpen = m_functions.init(&m_stream, GZIP_WINDOW_BITS, ZLIB_VERSION, sizeof m_stream) == Z_OK;
    }
    ~CInflateStream() {
        if (m_bOpen) m_functions.end(&m_stream);
    }
    CInflateStream(const CInflateStream&) = delete;
    CInflateStream& operator=(const CInflateStream&) = delete;

    // Inflates every member of the data into the file, as the gzip file functions read a file:
    // members one after another, anything after the last one ignored.
    bool InflateInto(const BYTE* data, DWORD length, HANDLE file) {
        if (!m_bOpen) return false;
        std::unique_ptr<BYTE[]> buffer(new BYTE[INFLATE_CHUNK]);
        m_stream.next_in = const_cast<Bytef*>(data);
        m_stream.avail_in = length;
        for (;;) {
            m_stream.next_out = buffer.get();
            m_stream.avail_out = INFLATE_CHUNK;
            const int status = m_functions.inflate(&m_stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) return false;  // damaged, or cut short
            const DWORD produced = INFLATE_CHUNK - m_stream.avail_out;
            DWORD written = 0;
            if (produced != 0 && (!m_calls.Write(file, buffer.get(), produced, &written) || written != produced))
                return false;
            if (status == Z_STREAM_END) {
                if (!StartsLikeGzip(m_stream.next_in, m_stream.avail_in)) return true;
                m_functions.reset(&m_stream);
            } else if (m_stream.avail_in == 0 && produced == 0) {
                return false;  // the data ended inside the member
            }
        }
    }

private:
    ISystemCalls& m_calls;
    const INFLATE_FUNCTIONS& m_functions;
    z_stream m_stream{};
    bool m_bOpen = false;
};

// The embedded library's bytes, mapped with the module; null when it has none.
const void* FindLibraryResource(HMODULE module, DWORD& size) {
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(COMPRESSION_LIBRARY_RESOURCE_ID), PACKAGE_RESOURCE_TYPE);
    if (resource == nullptr) return nullptr;
    HGLOBAL loaded = ::LoadResource(module, resource);
    if (loaded == nullptr) return nullptr;
    size = ::SizeofResource(module, resource);
    return ::LockResource(loaded);
}

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
        if (m_file == nullptr) return GZIP_OK;
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

// Writes the bytes to a new scratch file in the folder; empty when it could not be written whole.
std::string WriteScratchFile(ISystemCalls& calls, const void* bytes, DWORD size, const std::string& folder) {
    const std::string path = NewTempFile(calls, folder);
    if (path.empty()) return path;
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    DWORD written = 0;
    bool bWritten = file && calls.Write(file.Get(), bytes, size, &written) && written == size;
    bWritten = file && CloseWrittenFile(calls, file) && bWritten;
    // A truncated library would only fail later, so a full disk leaves no file now.
    if (!bWritten) {
        DeleteScratchFile(calls, path);
        return std::string();
    }
    return path;
}

// Deflates every piece, counting the bytes read; false on a read error or a refused write.
bool DeflateFrom(FILE* input, GzWriteFunc gzWrite, GzFile output, DWORD& total) {
    char buffer[TRANSFER_SIZE];
    for (;;) {
        const size_t count = std::fread(buffer, 1, sizeof buffer, input);
        if (count == 0) return std::ferror(input) == 0;
        total += static_cast<DWORD>(count);
        if (gzWrite(output, buffer, static_cast<unsigned>(count)) != static_cast<int>(count)) return false;
    }
}

}  // namespace

bool CCompressionLibrary::Load(HMODULE module, const std::string& folder, const AfterWrite& afterWrite) {
    Unload();
    DWORD size = 0;
    const void* bytes = FindLibraryResource(module, size);
    if (bytes == nullptr) return false;
    m_strPath = WriteScratchFile(m_calls, bytes, size, folder);
    if (m_strPath.empty()) return false;
    if (afterWrite) afterWrite(m_strPath);
    // Only the file that was checked may be loaded: it is held until the library goes.
    if (!HoldIfIdentical(bytes, size)) {
        Unload();
        return false;
    }
    m_module.Reset(::LoadLibraryExA(m_strPath.c_str(), nullptr, 0));
    if (!m_module || !BindInflate(m_module.Get(), m_inflate) || !BindGzipWrite(m_module.Get(), m_gzip)) {
        Unload();
        return false;
    }
    return true;
}

bool CCompressionLibrary::HoldIfIdentical(const void* bytes, DWORD size) {
    m_hFile.Reset(
        m_calls.OpenFile(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!m_hFile || !m_calls.GetInformation(m_hFile.Get(), &info) || info.nFileSizeHigh != 0 ||
        info.nFileSizeLow != size)
        return false;
    const BYTE* expected = static_cast<const BYTE*>(bytes);
    BYTE buffer[65536];
    for (DWORD offset = 0; offset < size;) {
        DWORD read = 0;
        if (!m_calls.Read(m_hFile.Get(), buffer, sizeof buffer, &read) || read == 0) return false;
        if (read > size - offset || std::memcmp(buffer, expected + offset, read) != 0) return false;
        offset += read;
    }
    return true;
}

void CCompressionLibrary::Unload() {
    m_inflate = INFLATE_FUNCTIONS();
    m_gzip = GZIP_WRITE_FUNCTIONS();
    m_module.Reset();
    m_hFile.Reset();
    DeleteScratchFile(m_calls, m_strPath);
    m_strPath.clear();
}

bool CCompressionLibrary::InflateInto(const BYTE* data, DWORD length, HANDLE output) const {
    if (!IsLoaded()) return false;
    // The gzip file functions would copy other data through unchanged: refused before any harm.
    if (length != 0 && !StartsLikeGzip(data, length)) return false;
    // An empty member is an empty file, as reading an empty gzip file gives nothing.
    return length == 0 || CInflateStream(m_calls, m_inflate).InflateInto(data, length, output);
}

bool CCompressionLibrary::CompressFile(const std::string& sourcePath, const std::string& gzipPath,
                                       std::string& rateText) const {
    if (!IsLoaded()) return false;
    CScopedStdFile source(std::fopen(sourcePath.c_str(), "rb"));
    if (!source) return false;
    CGzipHandle output(m_gzip.close, m_gzip.open(gzipPath.c_str(), "wb"));
    if (!output.IsOpen()) return false;

    DWORD total = 0;
    bool complete = DeflateFrom(source.get(), m_gzip.write, output.Get(), total);
    source.reset();
    // Closing flushes the last block and the trailer; a full disk shows here.
    complete = output.Close() == GZIP_OK && complete;
    if (!complete) return false;
    rateText = FormatCompressionRate(total, GetFileLength(m_calls, gzipPath));
    return true;
}

std::string FormatCompressionRate(DWORD uncompressed, DWORD compressed) {
    const double u = uncompressed;
    const double z = compressed;
    double rate = 0.0;  // nothing to compress saves nothing
    if (uncompressed != 0) rate = z > u ? z / u * 100.0 : (1.0 - z / u) * 100.0;
    return FormatText("%s%%", FormatDecimal(rate, 2, true).c_str());
}
