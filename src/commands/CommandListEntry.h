#pragma once

#include <string>

#include "framework/OwningList.h"
#include "package/BackupRecord.h"

// The command list's file name; the package carries it as "<Temp>\" followed by this name.
extern const char* const COMMAND_LIST_FILE;

// The first record, in package order, whose destination's file name equals the given name
// without regard to case; null when there is none or no list.
CBackupRecord* FindEntryByFileName(const COwningList<CBackupRecord>* records, const std::string& fileName);
