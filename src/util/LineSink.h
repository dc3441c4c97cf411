#pragma once

#include <cstdarg>
#include <string>

// Kinds of action lines: how each line is shown (the action list gives each its colour).
enum {
    LINE_ABORT = 1,
    LINE_PROMPT = 2,
    LINE_INFO = 3,
};

// A formatted line holds at most this many characters; longer ones are cut.
constexpr int ACTION_LINE_MAX = 1023;

// Whatever shows action lines: the main dialog's list, a console, a test's recorder.
// Everything that reports goes through AddLine, so the same code serves all of them.
class CLineSink {
public:
    virtual ~CLineSink() = default;

    // printf-style; answers the index of the new line (or a negative value).
    int AddLine(int nKind, const char* format, ...) __attribute__((format(printf, 3, 4)));
    int AddLineV(int nKind, const char* format, va_list args) __attribute__((format(printf, 3, 0)));

protected:
    // Receives the already formatted text (at most ACTION_LINE_MAX characters).
    virtual int AppendLine(int nKind, const char* text) = 0;
};

// Lines indented under their stage that carry an already formatted text: "the Abort of" and
// "the Prompt of" a text. Every stage of the upgrade reports its failures through these.
void AddAbortLine(CLineSink& sink, const std::string& text);
void AddPromptLine(CLineSink& sink, const std::string& text);
