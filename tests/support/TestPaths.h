#pragma once

#include <string>
#include <vector>

// Where a test finds the programs and files it works with, as Windows paths.

// An environment variable's text; empty when unset or longer than a path.
std::string GetEnvironmentText(const char* name);

// A host path ("/work/build/x.exe") as Wine shows it ("Z:\work\build\x.exe"); a path that is
// already a Windows one is left as it is.
std::string ToWindowsPath(const std::string& hostPath);
// The program named by an environment variable that holds its host path.
std::string GetProgramPath(const char* variable);
// A file of the build tree (QU_BUILD_DIR): "tools/pack/QuorindoPack.exe", "package/CompressData.dat".
std::string GetBuildFile(const std::string& relative);
// A file of the source tree (QU_SOURCE_DIR): "sample/CMD List.ini".
std::string GetSourceFile(const std::string& relative);
// The sample product's command list in the source tree.
std::string GetSampleCommandList();
// A special folder of the shell (CSIDL_PROGRAMS...), ending with a backslash; empty when unknown.
std::string GetShellFolder(int csidl);
// The running test program's own file, and its name without ".exe".
std::string GetOwnPath();
std::string GetOwnExeName();
// The work folders of runs now under way (a link named like one is none), ending with a backslash.
std::vector<std::string> WorkFolders();
