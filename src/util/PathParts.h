#pragma once

#include <string>
#include <vector>

#include "framework/PathChars.h"

// The path functions of the program: each walks a path by characters of the ANSI code page (see
// framework/PathChars.h), never by bytes.

// Splits a path as the runtime library's splitter does: "C:", "\dir\", "name", ".ext".
// Both "\" and "/" separate; any output may be null; a missing part is empty.
void SplitPath(const std::string& path, std::string* drive, std::string* dir, std::string* name,
               std::string* ext);
// The last component of a path, name and extension together.
std::string GetFileNameOf(const std::string& path);
// Everything before the last component, ending with its separator; empty when there is none.
std::string GetFolderOf(const std::string& path);
// The folder with one backslash at its end, unless it has one already or is empty: a folder joined
// with a name is WithFinalBackslash(folder) + name.
std::string WithFinalBackslash(std::string folder);
// The path without its final separator, unless that is all of a root ("C:\\").
std::string WithoutFinalBackslash(std::string path);
// The parts of a path between its backslashes, in order; empty parts included.
std::vector<std::string> SplitPathComponents(const std::string& path);
// The folder of the running program's own file, ending with a backslash.
std::string GetModuleFolder();
// The path as a full path from the current folder and drive; empty when it cannot be made.
std::string GetFullPath(const std::string& path);
