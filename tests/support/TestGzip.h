#pragma once

#include <windows.h>

#include <string>
#include <vector>

// gzip made and checked with the tests' own zlib, never the program's.
std::vector<BYTE> GzipBytes(const std::string& content);
// Inflates a whole gzip member; false when the data is damaged (CRC or length included).
bool GunzipBytes(const std::vector<BYTE>& gzip, std::string& content);
