#include "commands/ShellLink.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/ScopedHandles.h"
#include "util/PathParts.h"

namespace {

// The link file's path as the persistence interface wants it; empty when it cannot be converted.
std::wstring ToWide(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length) != length) return std::wstring();
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

}  // namespace

bool CreateShellLink(const std::string& target, const std::string& linkPath) {
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

    CScopedComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return false;
    // The whole path is converted; a path the code page cannot express saves nothing.
    const std::wstring widePath = ToWide(linkPath);
    if (!widePath.empty()) file->Save(widePath.c_str(), TRUE);
    return true;
}
