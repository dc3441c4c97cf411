#include "util/FileIdentity.h"

#include <cstdio>

#include "framework/ScopedHandles.h"
#include "util/TextFormat.h"

namespace {

// Volume, index, size and time, each 64-bit value as its two halves.
#define IDENTITY_FORMAT "%08lX-%08lX%08lX-%08lX%08lX-%08lX%08lX"

bool ReadInformation(ISystemCalls& calls, const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    return file && calls.GetInformation(file.Get(), &info);
}

}  // namespace

FILE_IDENTITY ReadFileIdentity(ISystemCalls& calls, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ReadInformation(calls, path, info) ? IdentityOf(info) : FILE_IDENTITY();
}

FILE_IDENTITY IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {true,           info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow,
            info.nFileSizeHigh, info.nFileSizeLow,    info.ftLastWriteTime};
}

bool IsSameState(const FILE_IDENTITY& a, const FILE_IDENTITY& b) {
    return a.bKnown && b.bKnown && FormatFileIdentity(a) == FormatFileIdentity(b);
}

std::string FormatFileIdentity(const FILE_IDENTITY& identity) {
    if (!identity.bKnown) return std::string();
    return FormatText(IDENTITY_FORMAT, identity.dwVolume, identity.dwIndexHigh, identity.dwIndexLow,
                      identity.dwSizeHigh, identity.dwSizeLow, identity.ftLastWrite.dwHighDateTime,
                      identity.ftLastWrite.dwLowDateTime);
}

FILE_IDENTITY ParseFileIdentity(const std::string& text) {
    DWORD fields[7] = {};
    FILE_IDENTITY identity;
    if (std::sscanf(text.c_str(), IDENTITY_FORMAT, &fields[0], &fields[1], &fields[2], &fields[3], &fields[4],
                    &fields[5], &fields[6]) != 7)
        return identity;
    identity = {true, fields[0], fields[1], fields[2], fields[3], fields[4], {fields[6], fields[5]}};
    // Read back only what it would be written as: nothing more, nothing else.
    return FormatFileIdentity(identity) == text ? identity : FILE_IDENTITY();
}
