#include "support/UpgradeLogFile.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/ScratchFolder.h"

namespace {

const char HEADER_MARK[] = "==== ";
const char FOOTER_MARK[] = "---- End of run: ";

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::string Escaped(const std::string& text) { return std::regex_replace(text, std::regex(R"([.()])"), R"(\$&)"); }

}  // namespace

std::string GetLogPath(const std::string& installFolder) { return installFolder + "Upgrade\\UpgradeLog.txt"; }

std::vector<LOG_RECORD> ParseUpgradeLog(const std::string& text) {
    std::vector<LOG_RECORD> records;
    bool open = false;  // a header was read, its footer not yet
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the log does not end with CRLF";
            break;
        }
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a bare CR or LF in: " << line;
        if (StartsWith(line, HEADER_MARK)) {
            EXPECT_FALSE(open) << "a record without its last line before: " << line;
            records.push_back({line, {}, {}});
            open = true;
        } else if (!open) {
            ADD_FAILURE() << "text outside a record: " << line;
        } else if (StartsWith(line, FOOTER_MARK)) {
            records.back().outcome = line.substr(sizeof FOOTER_MARK - 1);
            open = false;
        } else {
            records.back().lines.push_back(line);
        }
    }
    EXPECT_FALSE(open) << "the last record has no last line";
    return records;
}

std::vector<LOG_RECORD> ReadUpgradeLog(const std::string& installFolder) {
    const std::string path = GetLogPath(installFolder);
    if (!PathExists(path)) return {};
    return ParseUpgradeLog(ReadFileText(path));
}

bool IsHeader(const LOG_RECORD& record, const std::string& kind, const std::string& mode,
              const std::string& installed, const std::string& package) {
    const std::regex pattern(HEADER_MARK + kind + R"( \d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}, )" + mode +
                             " mode, installed version " + Escaped(installed) + ", package version " + Escaped(package));
    return std::regex_match(record.header, pattern);
}
