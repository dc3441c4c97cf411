#pragma once

#include <windows.h>
#include <string>

class CFileException;

// The reason word of a file-error cause ("accessDenied"); empty for an unknown cause.
std::string GetFileErrorReason(int cause);
// "Operate file %s' failed because of %s" for the exception's file and cause.
std::string GetFileExceptionText(const CFileException* e);
// The exception's own message, at most 300 characters; empty without an exception.
std::string GetExceptionMessage(const CFileException* e);
// The system's message for an error code, without its final line break; empty when unknown.
std::string GetSystemErrorText(DWORD code);
