#pragma once

#include "ui/ActionLine.h"

#include <string>
#include <vector>

// Collects action lines in memory so tests can check their kinds and texts.
class CRecordingSink : public CLineSink {
public:
    struct Line {
        int nKind;
        std::string text;
    };
    std::vector<Line> lines;

    std::string AllText() const;  // every line followed by '\n'

protected:
    int AppendLine(int nKind, const char* text) override;
};
