#pragma once

#include <string>

// The three commands of QuorindoPack. Each answers the process exit status.
int RunBuildCommand(const std::string& listFile, const std::string& outputFile);
int RunListCommand(const std::string& packagePath);
int RunVerifyCommand(const std::string& packagePath);
