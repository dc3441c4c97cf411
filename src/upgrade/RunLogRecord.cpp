#include "upgrade/RunLogRecord.h"

#include "upgrade/ResultCodes.h"
#include "upgrade/UpgradeLog.h"
#include "util/TextFormat.h"

namespace {

const char* const RUN_KIND_NAMES[] = {"Upgrade run", "Recovery run"};
const char LINE_END[] = "\r\n";
const char RECORD_END_MARK[] = "---- End of run: ";

}  // namespace

CRunLogRecord::CRunLogRecord(CLineSink& next, RUN_KIND kind, bool bAutoMode, std::string packageVersion)
    : m_next(next), m_kind(kind), m_bAutoMode(bAutoMode), m_strPackageVersion(std::move(packageVersion)) {
    ::GetLocalTime(&m_started);
}

int CRunLogRecord::AppendLine(int nKind, const char* text) {
    m_lines.emplace_back(text);
    return m_next.AddLine(nKind, "%s", text);
}

std::string CRunLogRecord::Format(const std::string& outcome) const {
    const char* installed = m_strInstalledVersion.empty() ? "unknown" : m_strInstalledVersion.c_str();
    std::string text = FormatText("%s%s %s, %s mode, installed version %s, package version %s%s", LOG_RECORD_MARK,
                                  RUN_KIND_NAMES[m_kind], FormatDateTime(m_started).c_str(),
                                  m_bAutoMode ? "auto" : "normal", installed, m_strPackageVersion.c_str(), LINE_END);
    for (const std::string& line : m_lines) text += line + LINE_END;
    return text + RECORD_END_MARK + outcome + LINE_END;
}

void CRunLogRecord::WriteToLog(ISystemCalls& calls, const std::string& installFolder,
                               const std::string& outcome) const {
    AppendToUpgradeLog(calls, installFolder, Format(outcome));
}

std::string DescribeUpgradeEnd(bool bAutoMode, int nCode, bool bStopped) {
    const char* word = bStopped ? "stopped" : nCode == RESULT_SUCCEEDED ? "succeeded" : "failed";
    if (!bAutoMode) return word;
    // Auto mode is read by the code the upgrade server got, or that it got none.
    if (nCode == RESULT_NONE) return FormatText("%s, no result code", word);
    return FormatText("result code %d", nCode);
}
