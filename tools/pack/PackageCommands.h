#pragma once

#include <string>

// QuorindoPack's exit statuses; scripts rely on them, so they are never renumbered.
inline constexpr int PACK_EXIT_OK = 0;
inline constexpr int PACK_EXIT_FAILED = 1;         // a source left out, the list refused, a package damaged...
inline constexpr int PACK_EXIT_USAGE = 2;          // the command line is not understood
inline constexpr int PACK_EXIT_EMPTY_PACKAGE = 3;  // verify: the package holds no entry

// The three commands of QuorindoPack. Each answers the process exit status.
int RunBuildCommand(const std::string& listFile, const std::string& outputFile);
int RunListCommand(const std::string& packagePath);
int RunVerifyCommand(const std::string& packagePath);
