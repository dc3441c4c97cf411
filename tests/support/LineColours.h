#pragma once

#include <windows.h>

// The colours a test expects of the action list's lines and of their darker separators,
// written out here rather than taken from the code under test.
inline constexpr COLORREF RED = 0x000000C8, DARK_RED = 0x00000064;
inline constexpr COLORREF YELLOW = 0x0000DCDC, DARK_YELLOW = 0x00006E6E;
inline constexpr COLORREF WHITE = 0x00FFFFFF, GREY = 0x007F7F7F;
