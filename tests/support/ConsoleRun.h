#pragma once

#include <string>

// Runs a console program to its end (in the given current folder, or this process's) and collects
// what it wrote to stdout and stderr. Answers its exit status, or -1 when it could not be started
// or did not end in time.
int RunConsoleProgram(const std::string& exePath, const std::string& arguments, std::string* output,
                      const std::string& folder = std::string());

#include "support/TestPaths.h"
