#pragma once

#include <cstddef>
#include <string>

#include "os/SystemCalls.h"
#include "upgrade/InstallationLayout.h"

// The installation's upgrade log, "Upgrade\UpgradeLog.txt": the record of every run that found
// the installation, oldest first, in plain text of the ANSI code page with CRLF line ends.
// The log never grows past this; the oldest whole records go first.
inline constexpr size_t UPGRADE_LOG_LIMIT = 1024 * 1024;
// Every record's first line starts so, and no other line of the log does.
inline constexpr const char* LOG_RECORD_MARK = "==== ";

// Appends one record (whole lines, each ending with CRLF) to the installation's log, which is
// held without write sharing only while it is written. When the log would pass the limit, it is
// rewritten without its oldest records through a new file, so that it is never half written
// and the new record is always whole in it. False when the log could not be written; it is then
// as it was.
bool AppendToUpgradeLog(ISystemCalls& calls, const std::string& installFolder, const std::string& record);
