#pragma once

#include <windows.h>

#include <string>

// printf-style formatting into a string of any length.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A time as the program writes it in the registry and in its log: "2024-05-01 12:34:56".
std::string FormatDateTime(const SYSTEMTIME& time);
