#pragma once

// Key names that the builder's list and the command list share.
inline constexpr const char* INI_KEY_SOURCE_PATH = "Source Path";
inline constexpr const char* INI_KEY_DEST_RELATIVE_PATH = "Dest Relative Path";
