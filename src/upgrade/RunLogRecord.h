#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "os/SystemCalls.h"
#include "util/LineSink.h"

// What a record is of: an upgrade run, or the put-back of an interrupted upgrade at the start.
enum RUN_KIND {
    RUN_UPGRADE,
    RUN_RECOVERY,
};

// How a recovery ended, for its record's last line.
inline constexpr const char* RECOVERY_DONE = "recovered";
inline constexpr const char* RECOVERY_FAILED = "recovery failed";

// The record a run leaves in the installation's upgrade log: a first line with the time it
// started, the mode, the installed version and the package's, then every line of the run, then a
// last line with how it ended. It is the sink the run's lines pass through on their way to the
// action list, so the log and the list are made of the same lines.
class CRunLogRecord : public CLineSink {
public:
    CRunLogRecord(CLineSink& next, RUN_KIND kind, bool bAutoMode, std::string packageVersion);

    void SetInstalledVersion(const std::string& version) { m_strInstalledVersion = version; }
    // The action list was emptied; so is the record.
    void ClearLines() { m_lines.clear(); }
    // The whole record, every line ending with CRLF.
    std::string Format(const std::string& outcome) const;
    // Appends the record to the installation's log. A log that cannot be written changes
    // nothing of the run: no line, no result.
    void WriteToLog(ISystemCalls& calls, const std::string& installFolder, const std::string& outcome) const;

protected:
    int AppendLine(int nKind, const char* text) override;

private:
    CLineSink& m_next;
    SYSTEMTIME m_started{};
    RUN_KIND m_kind;
    bool m_bAutoMode;
    std::string m_strPackageVersion;
    std::string m_strInstalledVersion;
    std::vector<std::string> m_lines;
};

// How an upgrade run ended, for its record's last line: the result code in auto mode,
// "succeeded", "failed" or "stopped" otherwise.
std::string DescribeUpgradeEnd(bool bAutoMode, int nCode, bool bStopped);
