#include "upgrade/UpgradeLog.h"

#include <windows.h>

#include "framework/ScopedHandles.h"
#include "upgrade/InstallationLayout.h"
#include "util/FileHelpers.h"
#include "util/PathChecks.h"

namespace {

// Adds the text at the end; a write cut short (a full disk) is taken back, so no half record stays.
bool AppendAll(HANDLE file, size_t length, const std::string& text) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length);
    if (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN)) return false;
    DWORD written = 0;
    if (::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size())
        return true;
    if (::SetFilePointerEx(file, end, nullptr, FILE_BEGIN)) ::SetEndOfFile(file);
    return false;
}

// The newest whole records of the log that fit in the room. Only the log's end is read: a log
// grown by hand to any size is cut all the same.
bool ReadNewestRecords(HANDLE file, size_t length, size_t room, std::string& kept) {
    // Two bytes more, so that a record that starts right at the edge is seen after its line end.
    const size_t take = length < room + 2 ? length : room + 2;
    LARGE_INTEGER from{};
    from.QuadPart = static_cast<LONGLONG>(length - take);
    std::string tail(take, '\0');
    DWORD read = 0;
    if (!::SetFilePointerEx(file, from, nullptr, FILE_BEGIN) ||
        !::ReadFile(file, tail.data(), static_cast<DWORD>(take), &read, nullptr) || read != take)
        return false;
    const size_t found = tail.find(std::string("\r\n") + LOG_RECORD_MARK);
    kept = found == std::string::npos ? std::string() : tail.substr(found + 2);
    return true;
}

}  // namespace

bool AppendToUpgradeLog(const std::string& installFolder, const std::string& record) {
    // A run that ended before its self-copy has not made the folder yet.
    if (!MakeUpgradeFolder(installFolder)) return false;
    const std::string path = GetUpgradeLogPath(installFolder);
    const size_t room = record.size() < UPGRADE_LOG_LIMIT ? UPGRADE_LOG_LIMIT - record.size() : 0;
    std::string kept;
    {
        CScopedKernelHandle file = OpenFileNoLink(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
        LARGE_INTEGER size{};
        if (!file || !::GetFileSizeEx(file.Get(), &size)) return false;
        const size_t length = static_cast<size_t>(size.QuadPart);
        if (length + record.size() <= UPGRADE_LOG_LIMIT) return AppendAll(file.Get(), length, record);
        if (!ReadNewestRecords(file.Get(), length, room, kept)) return false;
    }
    DWORD error = ERROR_SUCCESS;
    return ReplaceFileDurably(path, kept + record, &error);
}
