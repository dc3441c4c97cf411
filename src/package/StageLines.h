#pragma once

#include <string>

class CLineSink;

// Lines indented under their stage that carry an already formatted text: "the Abort of" and
// "the Prompt of" a text. Every stage of the upgrade reports its failures through these.
void AddAbortLine(CLineSink& sink, const std::string& text);
void AddPromptLine(CLineSink& sink, const std::string& text);
