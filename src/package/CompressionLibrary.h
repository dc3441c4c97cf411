#pragma once

#include <windows.h>

#include <string>

// zlib travels inside the program as resource "PACKAGE" 131 and is never linked: it is
// written out to a scratch file, and each operation below loads it from there, binds the
// gzip functions it needs by name and unloads it before returning.
inline constexpr WORD COMPRESSION_LIBRARY_RESOURCE_ID = 131;

// Writes the library of the given module (the running program by default) to a new
// scratch file and answers its path; empty when there is no library or it could not be
// written (then no file is left). The caller deletes the file at the end of its run.
std::string ExtractCompressionLibrary(HMODULE module = nullptr);

// Inflates a gzip file into the output file (created or truncated). 1 on success, -1 on
// failure; damaged data and a short write are failures too. When given, outputChanged
// tells whether the output file had been opened (and so truncated) before a failure.
int DecompressFile(const std::string& gzipPath, const std::string& outputPath, const std::string& libraryPath,
                   bool* outputChanged = nullptr);

// Deflates the source into a gzip file. 1 on success, -1 on failure. Only on success is
// rateText set, to the compression rate such as "62.35%".
int CompressFile(const std::string& sourcePath, const std::string& gzipPath, std::string& rateText,
                 const std::string& libraryPath);

// Size of a file in bytes; 0 when it cannot be opened.
DWORD GetFileSize(const std::string& path);

// The rate text of uncompressed bytes U and compressed bytes Z: the share saved, or the
// compressed size as a percentage of U when deflating made it larger.
std::string FormatCompressionRate(DWORD uncompressed, DWORD compressed);
