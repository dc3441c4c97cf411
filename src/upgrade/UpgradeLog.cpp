#include "upgrade/UpgradeLog.h"

#include <windows.h>

#include "framework/ScopedHandles.h"
#include "upgrade/InstallationLayout.h"
#include "util/FileHelpers.h"
#include "util/PathChecks.h"

namespace {

// Adds the text at the end; a write cut short (a full disk) is taken back, so no half record stays.
bool AppendAll(ISystemCalls& calls, HANDLE file, size_t length, const std::string& text) {
    const LONGLONG end = static_cast<LONGLONG>(length);
    if (!calls.Seek(file, end, FILE_BEGIN)) return false;
    DWORD written = 0;
    if (calls.Write(file, text.data(), static_cast<DWORD>(text.size()), &written) && written == text.size())
        return true;
    if (calls.Seek(file, end, FILE_BEGIN)) calls.SetEnd(file);
    return false;
}

// The newest whole records of the log that fit in the room. Only the log's end is read: a log
// grown by hand to any size is cut all the same.
bool ReadNewestRecords(ISystemCalls& calls, HANDLE file, size_t length, size_t room, std::string& kept) {
    // Two bytes more, so that a record that starts right at the edge is seen after its line end.
    const size_t take = length < room + 2 ? length : room + 2;
    std::string tail(take, '\0');
    DWORD read = 0;
    if (!calls.Seek(file, static_cast<LONGLONG>(length - take), FILE_BEGIN) ||
        !calls.Read(file, tail.data(), static_cast<DWORD>(take), &read) || read != take)
        return false;
    const size_t found = tail.find(std::string("\r\n") + LOG_RECORD_MARK);
    kept = found == std::string::npos ? std::string() : tail.substr(found + 2);
    return true;
}

}  // namespace

bool AppendToUpgradeLog(ISystemCalls& calls, const std::string& installFolder, const std::string& record) {
    // A run that ended before its self-copy has not made the folder yet.
    if (!MakeUpgradeFolder(calls, installFolder)) return false;
    const std::string path = GetUpgradeLogPath(installFolder);
    const size_t room = record.size() < UPGRADE_LOG_LIMIT ? UPGRADE_LOG_LIMIT - record.size() : 0;
    std::string kept;
    {
        CScopedKernelHandle file =
            OpenFileNoLink(calls, path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
        BY_HANDLE_FILE_INFORMATION info{};
        if (!file || !calls.GetInformation(file.Get(), &info)) return false;
        const size_t length = info.nFileSizeLow;
        if (info.nFileSizeHigh == 0 && length + record.size() <= UPGRADE_LOG_LIMIT)
            return AppendAll(calls, file.Get(), length, record) && CloseWrittenFile(calls, file);
        if (!ReadNewestRecords(calls, file.Get(), length, room, kept)) return false;
    }
    DWORD error = ERROR_SUCCESS;
    return ReplaceFileDurably(calls, path, kept + record, &error);
}
