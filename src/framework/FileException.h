#pragma once

#include <windows.h>
#include <string>

// What a failed file operation leaves behind. Never thrown: no exception crosses a module of this
// program, so CFile fills one and answers false. The reason words and messages appear word for
// word in the action list, so each is written once, in FileException.cpp.
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

    void Set(DWORD osError, const std::string& fileName);

    static int OsErrorToCause(DWORD osError);
    // The reason word of a cause ("fileNotFound"), empty for an unknown cause.
    static const char* GetReasonWord(int cause);
    // The message of the exception: the cause's text with the file name in place of %1.
    std::string GetErrorMessage() const;
};
