#pragma once

#include <windows.h>

#include <string>

#include "framework/ListBox.h"

// What follows every line in the exported text: carriage return, line feed, twice.
inline constexpr char ACTION_LINE_SEPARATOR[] = "\r\n\r\n";

// The owner-drawn action list (control 1000 of the main dialog). A line is an item: its text
// and, as item data, its colour. Every line is followed by an empty separator line in the half
// tone of the same colour, so the list shows coloured bars divided by darker ones.
class CActionListBox : public CListBox {
public:
    // Inserts a line (nIndex -1 appends); a line whose upper neighbour already has its colour
    // gets the half tone. Answers the new index, or the list box's error value.
    int AddColoredString(const char* text, COLORREF color, int nIndex = -1) const;
    // A line and its separator, appended together, the line selected (and so scrolled into
    // view). Answers the line's index. Called on the list's own thread. The list is drawn no
    // more often than the eye can follow (LINE_REDRAW_MS): lines that come faster are shown
    // together, and the newest state is always shown within that time.
    int AddActionLine(const char* text, COLORREF color);
    // Shows lines that are still waiting to be drawn.
    void ShowPendingLines();
    // Every line, separators included, each followed by ACTION_LINE_SEPARATOR.
    std::string GetAllText() const;

    void DrawItem(const DRAWITEMSTRUCT* pDraw) override;
    void MeasureItem(MEASUREITEMSTRUCT* pMeasure) override;

    // The list box's limit for the height of one item, in pixels.
    static constexpr UINT MAX_ITEM_HEIGHT = 255;
    // Lines are drawn at most once in this time.
    static constexpr DWORD LINE_REDRAW_MS = 30;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The menu at a point of the screen; none over an empty list.
    void ShowPopupMenu(POINT at) const;
    // Where the menu opens from the keyboard: the bottom-left of the selected line, or of the
    // list when no line is selected, in screen coordinates.
    POINT GetKeyboardMenuPoint() const;
    // While lines wait to be shown the list does not draw; the timer shows them.
    bool m_bLinesPending = false;
    ULONGLONG m_ullLastShown = 0;
    void DrawLine(HDC dc, const RECT& rect, const std::string& text, COLORREF color, bool bSelected) const;
};
