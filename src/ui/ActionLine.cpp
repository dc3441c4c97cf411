#include "ui/ActionLine.h"

#include <cstdio>

COLORREF GetLineColor(int nKind) {
    switch (nKind) {
    case LINE_ABORT: return LINE_ABORT_COLOR;
    case LINE_PROMPT: return LINE_PROMPT_COLOR;
    default: return LINE_INFO_COLOR;
    }
}

COLORREF GetHalfTone(COLORREF color) {
    return RGB(GetRValue(color) / 2, GetGValue(color) / 2, GetBValue(color) / 2);
}

int CLineSink::AddLine(int nKind, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int index = AddLineV(nKind, format, args);
    va_end(args);
    return index;
}

int CLineSink::AddLineV(int nKind, const char* format, va_list args) {
    char text[ACTION_LINE_MAX + 1];
    // vsnprintf always terminates, so an over-long line is cut to 1023 characters.
    if (std::vsnprintf(text, sizeof text, format, args) < 0)
        text[0] = '\0';
    return AppendLine(nKind, text);
}
