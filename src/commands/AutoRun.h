#pragma once

#include <string>

// Where a program is entered to start whenever the current user logs on.
extern const char* const AUTO_RUN_KEY;
extern const char* const AUTO_RUN_VALUE;

// Enters the program, its path in quotes, under the auto-start value unless a value of that name
// is already there, whatever it holds. Always succeeds: a failed write is not reported.
void EnableAutoRun(const std::string& programPath);
