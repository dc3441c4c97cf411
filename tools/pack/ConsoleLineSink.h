#pragma once

#include "util/LineSink.h"

// Action lines on standard output, one per line, without colours or separators.
class CConsoleLineSink : public CLineSink {
protected:
    int AppendLine(int nKind, const char* text) override;

private:
    int m_nLines = 0;
};
