#include "RecordingSink.h"

std::string CRecordingSink::AllText() const {
    std::string all;
    for (const Line& line : lines)
        all += line.text + "\n";
    return all;
}

int CRecordingSink::AppendLine(int nKind, const char* text) {
    lines.push_back({nKind, text});
    return static_cast<int>(lines.size()) - 1;
}
