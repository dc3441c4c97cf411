#pragma once

#include <atomic>
#include <cstddef>

#include "os/SystemCalls.h"

// A layer over another: counts every call by its kind, then passes it down. A layer over this
// one decides, before each call, whether it fails instead (the test layer that fails the N-th
// call); the bench reads the counts to give the calls a run makes per entry.
class CCountingCalls : public ISystemCalls {
public:
    explicit CCountingCalls(ISystemCalls& below) : m_below(below) {}

    size_t CountCalls() const;
    size_t CountCalls(SYSTEM_CALL kind) const { return m_counts[kind]; }

    bool AllowsCallsFromManyThreads() const override { return m_below.AllowsCallsFromManyThreads(); }
    HANDLE OpenFile(const char* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                    DWORD flags) override;
    BOOL Read(HANDLE file, void* buffer, DWORD size, DWORD* read) override;
    BOOL Write(HANDLE file, const void* buffer, DWORD size, DWORD* written) override;
    BOOL Flush(HANDLE file) override;
    BOOL SetEnd(HANDLE file) override;
    BOOL Seek(HANDLE file, LONGLONG offset, DWORD method) override;
    BOOL SetTime(HANDLE file, const FILETIME* created, const FILETIME* accessed, const FILETIME* written) override;
    BOOL GetTime(HANDLE file, FILETIME* created, FILETIME* accessed, FILETIME* written) override;
    BOOL GetInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) override;
    DWORD GetFinalPathName(HANDLE file, char* buffer, DWORD size) override;
    BOOL DeleteOpenFile(HANDLE file) override;
    DWORD GetSecurity(HANDLE file, PSECURITY_DESCRIPTOR* descriptor) override;
    BOOL CloseWritten(HANDLE file) override;
    DWORD GetAttributes(const char* path) override;
    BOOL GetAttributesEx(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) override;
    BOOL SetAttributes(const char* path, DWORD attributes) override;
    BOOL SetAttributesOf(HANDLE file, DWORD attributes) override;
    BOOL Move(const char* from, const char* to, DWORD flags) override;
    BOOL MakeHardLink(const char* link, const char* existing) override;
    BOOL Delete(const char* path) override;
    BOOL MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) override;
    BOOL RemoveFolder(const char* path) override;
    HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* data) override;
    BOOL FindNext(HANDLE find, WIN32_FIND_DATAA* data) override;
    BOOL GetVolumePath(const char* path, char* volume, DWORD size) override;
    UINT GetTempName(const char* folder, const char* prefix, UINT unique, char* name) override;
    LONG WriteRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text) override;
    LONG DeleteRegistryValue(HKEY hive, const char* keyPath, const char* valueName) override;
    LONG FlushRegistryKey(HKEY hive, const char* keyPath) override;

protected:
    // Asked once per call, after it is counted and before it is made: an error fails the call with
    // that error instead of making it; ERROR_SUCCESS makes it.
    virtual DWORD ChooseFailure(SYSTEM_CALL) { return ERROR_SUCCESS; }

private:
    // Counts the call; answers the error it fails with, ERROR_SUCCESS when it is to be made.
    DWORD Count(SYSTEM_CALL kind);

    ISystemCalls& m_below;
    std::atomic<size_t> m_counts[CALL_KINDS] = {};
};
