#include "ui/ActionLine.h"

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
