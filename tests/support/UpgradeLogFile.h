#pragma once

#include <string>
#include <vector>

// One run's record in an installation's upgrade log, as someone reading the file sees it.
struct LOG_RECORD {
    std::string header;              // the first line, whole
    std::vector<std::string> lines;  // the run's action lines
    std::string outcome;             // the last line after "---- End of run: "; empty when it is missing
    bool operator==(const LOG_RECORD&) const = default;
};

// "<installation>\Upgrade\UpgradeLog.txt".
std::string GetLogPath(const std::string& installFolder);
// The log's records, oldest first; none when there is no log. A log that is not whole CRLF lines,
// or has text outside a record, fails the current test.
std::vector<LOG_RECORD> ParseUpgradeLog(const std::string& text);
std::vector<LOG_RECORD> ReadUpgradeLog(const std::string& installFolder);
// True when the header names the kind ("Upgrade run", "Recovery run"), a local date and time,
// the mode ("normal", "auto") and the two versions ("unknown" when not read).
bool IsHeader(const LOG_RECORD& record, const std::string& kind, const std::string& mode,
              const std::string& installed, const std::string& package);
