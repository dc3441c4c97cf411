#include "commands/ShellLink.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/ScopedHandles.h"
#include "util/PathParts.h"

namespace {

// What the stream holds from its start to where it stands.
bool ReadStreamBytes(IStream* stream, std::string& bytes) {
    LARGE_INTEGER start{};
    ULARGE_INTEGER end{};
    if (FAILED(stream->Seek(start, STREAM_SEEK_CUR, &end)) || end.QuadPart > 0x7FFFFFFF ||
        FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)))
        return false;
    bytes.assign(static_cast<size_t>(end.QuadPart), '\0');
    ULONG read = 0;
    return bytes.empty() || (SUCCEEDED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) &&
                             read == bytes.size());
}

}  // namespace

bool SaveShellLink(const std::string& target, std::string& bytes) {
    CScopedComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.ReceiveVoid())))
        return false;

    std::string drive;
    std::string dir;
    SplitPath(target, &drive, &dir, nullptr, nullptr);
    link->SetPath(target.c_str());
    link->SetWorkingDirectory((drive + dir).c_str());
    link->SetIconLocation(target.c_str(), 0);

    // Saved into memory, not by the shell to a path: a path in a folder the user owns could be a
    // link planted there, which the shell's save would follow.
    CScopedComPtr<IPersistStream> persist;
    CScopedComPtr<IStream> stream;
    return SUCCEEDED(link->QueryInterface(IID_IPersistStream, persist.ReceiveVoid())) &&
           SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive())) &&
           SUCCEEDED(persist->Save(stream.Get(), TRUE)) && ReadStreamBytes(stream.Get(), bytes);
}
