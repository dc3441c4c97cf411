#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Copies a program and puts the given bytes in as its package (resource "PACKAGE" 130),
// so the copy reads them as its own. Answers false when the copy or update failed.
bool CopyWithPackage(const std::string& program, const std::string& copy, const std::vector<BYTE>& package);
// A resource of a program's file, as bytes; empty when the program or the resource is missing.
std::string ReadProgramResource(const std::string& program, LPCSTR type, WORD id);
