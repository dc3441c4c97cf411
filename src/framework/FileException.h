#pragma once

#include <windows.h>
#include <string>

// What a failed file operation leaves behind: the cause, the system error and the file. CFile
// fills one for its caller and answers false; it is never thrown, as no exception crosses a
// module of this program. The name is the framework's own.
// The causes, their reason words, their messages and the system-error table live in
// FileException.cpp and nowhere else.
class CFileException {
public:
    enum Cause {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    int m_cause = none;
    LONG m_lOsError = 0;
    std::string m_strFileName;

    // Fills the exception from a system error code and the file concerned.
    void Set(DWORD osError, const std::string& fileName);

    // The cause the file library gives a system error code.
    static int OsErrorToCause(DWORD osError);
    // The reason word of a cause ("fileNotFound"), empty for an unknown cause.
    static const char* GetReasonWord(int cause);
    // The message of the exception: the cause's text with the file name in place of %1.
    std::string GetErrorMessage() const;
};
