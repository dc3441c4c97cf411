#include "ConsoleLineSink.h"

#include <cstdio>

int CConsoleLineSink::AppendLine(int /*nKind*/, const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
    return m_nLines++;
}
