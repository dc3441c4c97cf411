#include "util/LineSink.h"

#include <cstdio>

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

void AddAbortLine(CLineSink& sink, const std::string& text) {
    sink.AddLine(LINE_ABORT, "        Abort - %s", text.c_str());
}

void AddPromptLine(CLineSink& sink, const std::string& text) {
    sink.AddLine(LINE_PROMPT, "        Prompt - %s", text.c_str());
}
