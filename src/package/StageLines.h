#pragma once

#include <string>

class CLineSink;

// The restore walk's first and last lines, and the line of an upgrade that went through.
inline constexpr const char* RESTORE_START_TEXT =
    "Because of some error when upgrading, now will restore to the previous version";
inline constexpr const char* RESTORE_OVER_TEXT = "Restore over!";
inline constexpr const char* UPGRADE_DONE_TEXT = "Upgrade successfully!";

// Lines indented under their stage that carry an already formatted text: "the Abort of" and
// "the Prompt of" a text. Every stage of the upgrade reports its failures through these.
void AddAbortLine(CLineSink& sink, const std::string& text);
void AddPromptLine(CLineSink& sink, const std::string& text);
