#include "util/FileErrors.h"

#include "framework/FileException.h"
#include "util/TextFormat.h"

namespace {
const size_t MAX_EXCEPTION_MESSAGE = 300;
}

std::string GetFileErrorReason(int cause) { return CFileException::GetReasonWord(cause); }

std::string GetFileExceptionText(const CFileException* e) {
    if (e == nullptr) return "Parameter error(CFileException *e == NULL)!";
    const std::string reason = GetFileErrorReason(e->m_cause);
    return FormatText("Operate file %s' failed because of %s", e->m_strFileName.c_str(), reason.c_str());
}

std::string GetExceptionMessage(const CFileException* e) {
    if (e == nullptr) return std::string();
    std::string message = e->GetErrorMessage();
    if (message.size() > MAX_EXCEPTION_MESSAGE) message.resize(MAX_EXCEPTION_MESSAGE);
    return message;
}

std::string GetSystemErrorText(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) return std::string();
    std::string text(buffer, length);
    ::LocalFree(buffer);
    if (text.size() >= 3 && text[text.size() - 2] == '\r') text.resize(text.size() - 2);
    return text;
}
