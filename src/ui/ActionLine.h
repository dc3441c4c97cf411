#pragma once

#include <windows.h>

#include "util/LineSink.h"

// The colours of the line kinds (0x00BBGGRR).
constexpr COLORREF LINE_ABORT_COLOR = 0x000000C8;
constexpr COLORREF LINE_PROMPT_COLOR = 0x0000DCDC;
constexpr COLORREF LINE_INFO_COLOR = 0x00FFFFFF;

// Colour of a line kind; unknown kinds are shown as information.
COLORREF GetLineColor(int nKind);

// Each component halved and rounded down: the colour of separators.
COLORREF GetHalfTone(COLORREF color);
