#pragma once

#include <string>
#include <vector>

#include "os/SystemCalls.h"

// Full paths of the files that command lists registered and have not unregistered since,
// in the order they were first registered.
using CRegistrationList = std::vector<std::string>;

// The record's file name; it lives in the installation folder.
extern const char* const REGISTRATION_RECORD_FILE;

// Empties the list and fills it from the record in the folder (which ends with a backslash): the
// items it holds up to its count, in order. A missing record, or one too large for a list, loads
// as an empty list; one that cannot be read answers why, and must not be saved over.
std::string LoadRegistrationRecord(ISystemCalls& calls, const std::string& folder, CRegistrationList& list);
// Replaces the record in the folder with the list's items; answers why it could not, empty once done.
std::string SaveRegistrationRecord(ISystemCalls& calls, const std::string& folder, const CRegistrationList& list);
