#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

// The running program's own file, held from start-up and proven to be the program that runs. It is
// opened by the path the system gives for the module, without write or delete sharing, so that from
// then on nobody can change it, rename it or put another file under its name; and it is proven to
// be the image the system mapped: its headers and every section the program does not write are,
// with the image's relocations applied, byte for byte what is in memory. A program started from a
// download folder cannot so be swapped, between its start and its self-copy, for another one that
// the installation would later start elevated.
class COwnProgramFile {
public:
    // Holds and checks the file of the process's main module.
    explicit COwnProgramFile(ISystemCalls& calls);
    COwnProgramFile(const COwnProgramFile&) = delete;
    COwnProgramFile& operator=(const COwnProgramFile&) = delete;

    // Empty when the file is held and proven; otherwise why not, and nothing may be read from it.
    const std::string& GetError() const { return m_strError; }
    // The held file, read from its start by whoever copies it; null unless proven.
    HANDLE Get() const { return m_strError.empty() ? m_file.Get() : nullptr; }
    // The module's path as the system reports it, of any length.
    const std::string& GetPath() const { return m_strPath; }

private:
    std::string m_strPath;
    CScopedKernelHandle m_file;
    std::string m_strError;
};

// True when the open file holds, byte for byte, the module's image as the system mapped it: the
// headers (but the image base, which the system writes where it placed the image) and every section
// the program cannot write, with the relocations of the file's own table applied. Answers why not;
// empty when it does.
std::string CompareWithMappedImage(ISystemCalls& calls, HANDLE file, HMODULE module);
