#include "package/StageLines.h"

#include "util/LineSink.h"

void AddAbortLine(CLineSink& sink, const std::string& text) {
    sink.AddLine(LINE_ABORT, "        Abort - %s", text.c_str());
}

void AddPromptLine(CLineSink& sink, const std::string& text) {
    sink.AddLine(LINE_PROMPT, "        Prompt - %s", text.c_str());
}
