#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

// File helpers of the program, every call made through the system calls it is given.

// Every kind of sharing, for opening a file beside whoever holds it.
inline constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// True when a file, not a folder, exists at the path.
bool FileExists(ISystemCalls& calls, const std::string& path);
// True when a folder exists at the path.
bool FolderExists(ISystemCalls& calls, const std::string& path);
// What a folder holds that matches the pattern ("*", "JVR*.tmp"): at most the given count of
// entries, "." and ".." left out. pError, when given, is set to the system's error when the
// answer may not be whole (the folder could not be read to its end), ERROR_SUCCESS otherwise.
std::vector<WIN32_FIND_DATAA> FindInFolder(ISystemCalls& calls, const std::string& folder, const std::string& pattern,
                                           size_t most = static_cast<size_t>(-1), DWORD* pError = nullptr);
// Creates every missing folder of a file's path, starting at its drive.
// False when the path has no drive or no folder to walk.
bool CreateFolderPath(ISystemCalls& calls, const std::string& filePath);
// Removes the read-only attribute of an existing file.
void ClearReadOnly(ISystemCalls& calls, const std::string& path);
// Deletes a file's name, read-only or not. The file's attributes stay as they were, for every other
// name of it (a backup's second name and the destination are one file) and when it cannot be deleted.
bool DeleteFileEvenReadOnly(ISystemCalls& calls, const std::string& path);
// Closes a written file's handle now and answers whether the system took it: a full disk may
// show only at closing.
bool CloseWrittenFile(ISystemCalls& calls, CScopedKernelHandle& file);
// Copies one open file into another from where each stands, ends the target there and gives it
// the source's times. Answers the system's error, ERROR_SUCCESS when all went over.
DWORD CopyFileData(ISystemCalls& calls, HANDLE from, HANDLE to);
// Copies the open source from where it stands into the target as OpenFileNoLink opens it
// (CREATE_NEW, or OPEN_ALWAYS to write over a file), never through a link; with bFlush the copy is
// on the disk before it is closed. Answers the system's error, ERROR_SUCCESS when all went over.
DWORD CopyOpenFileNoLink(ISystemCalls& calls, HANDLE source, const std::string& target, DWORD disposition,
                         bool bFlush = false);
// Copies the source, opened with the given sharing, into the target as CopyOpenFileNoLink does.
DWORD CopyFileNoLink(ISystemCalls& calls, const std::string& source, DWORD sourceShare, const std::string& target,
                     DWORD disposition, bool bFlush = false);
// Copies the open source from its start to a new file beside the target, and only once that is
// whole and on the disk moves it over the target: the target is always the whole old file or the
// whole new one, and a link in its place is replaced, never written through. Answers the system's error.
DWORD ReplaceWithCopy(ISystemCalls& calls, HANDLE source, const std::string& target);
// True when both paths lead to one file, however each is written (an 8.3 name, another drive
// letter or share for the same volume, a junction on the way, a second hard link): the same
// volume and file index.
bool IsSameFile(ISystemCalls& calls, const std::string& first, const std::string& second);
// The same for an open file and a path.
bool IsSameFile(ISystemCalls& calls, HANDLE file, const std::string& path);
// Deletes a scratch file of ours (DeleteFileEvenReadOnly); an empty path is ignored.
void DeleteScratchFile(ISystemCalls& calls, const std::string& path);
// Size of a file in bytes; 0 when it cannot be looked at.
DWORD GetFileLength(ISystemCalls& calls, const std::string& path);
// Flushes the file's data to the disk, never through a link. Answers the system's error,
// ERROR_SUCCESS once it is there.
DWORD FlushFileToDisk(ISystemCalls& calls, const std::string& path);
// Flushes every file of the volume that holds the folder to the disk in one call. Needs
// administrator rights, which the upgrade has; false where the system cannot.
bool FlushVolumeOf(ISystemCalls& calls, const std::string& folder);
// Makes the names in the folder durable, and with them every change made before on its volume
// (the file system writes its log in order). A file system that has no such flush (some network
// shares), or a folder that is not there, is no error. Answers the system's error.
DWORD FlushFolder(ISystemCalls& calls, const std::string& folder);
// Flushes each volume the folders lie on as a whole; false when the system cannot for one of them.
bool FlushVolumesOf(ISystemCalls& calls, const std::vector<std::string>& folders);
// Makes every change made so far in the folders durable: each volume they lie on is flushed as
// a whole where the system allows it, otherwise each folder on it (whose files' data must then
// have been flushed one by one). Answers the first error.
DWORD MakeFoldersDurable(ISystemCalls& calls, const std::vector<std::string>& folders);
// The name a new file is written under, beside the path, before it replaces it (ReplaceWithCopy,
// ReplaceFileDurably). One left there was not finished: the file at the path is whole.
std::string GetReplacementName(const std::string& path);
// Writes the text to a new file beside the path, flushes it to the disk and only then moves it
// over the path, and makes that move durable, so that the file is always one whole version or the
// other, and stays so after a power cut. Neither name is ever followed through a link. False with the system's error code when the file is left as it was.
// A folder held against writers (CHeldFolder) cannot be opened again to be flushed: its hold,
// opened to write in, is flushed instead.
bool ReplaceFileDurably(ISystemCalls& calls, const std::string& path, const std::string& text, DWORD* error,
                        HANDLE heldFolder = nullptr);
