#pragma once

// Key names that the builder's list and the command list share.
inline constexpr const char* INI_KEY_SOURCE_PATH = "Source Path";
inline constexpr const char* INI_KEY_DEST_RELATIVE_PATH = "Dest Relative Path";

// The command list's file name; the package carries it as "<Temp>\" followed by this name.
inline constexpr const char* COMMAND_LIST_FILE = "CMD List.ini";
