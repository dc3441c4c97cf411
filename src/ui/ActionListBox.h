#pragma once

#include <windows.h>

#include <string>

#include "framework/ListBox.h"
#include "framework/ScopedHandles.h"
#include "ui/ActionLineQueue.h"
#include "ui/DrawThrottle.h"

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
    // Where the lines come from (the dialog's queue). The list tells it of every item that comes
    // or goes otherwise, so the indexes it promises stay true.
    void SetQueue(CActionLineQueue* pQueue) { m_pQueue = pQueue; }
    // Appends every waiting line, each with its separator, with drawing held off, and selects
    // the newest (and so scrolls it into view) once. Called on the list's own thread. The list is
    // drawn no more often than the eye can follow (LINE_REDRAW_MS): lines that come faster are
    // shown together, and the newest state is always shown within that time.
    void AddQueuedLines();
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
    // A queued line and its separator; answers the line's index.
    int AppendQueuedLine(const ACTION_LINE& line);
    // Passes on a message that adds or removes items, and tells the queue how many changed.
    LRESULT ChangeItems(UINT message, WPARAM wParam, LPARAM lParam);
    // Shows lines that are still waiting to be drawn.
    void ShowPendingLines();
    // Turns the list's drawing off while lines go in, and on again to show them.
    void AllowDrawing(bool bAllow) const;
    void DrawLine(HDC dc, const RECT& rect, const std::string& text, COLORREF color, bool bSelected) const;

    // Every item is measured, as it goes in, in a context of its own made once: one of the
    // window would be asked for and given back per item, at a cost like drawing it.
    HDC GetMeasureDC();

    CActionLineQueue* m_pQueue = nullptr;
    CScopedMemoryDC m_measureDC;
    bool m_bAddingQueued = false;
    int m_nDepth = 0;  // messages of the list under way on its thread
    // The timer that shows lines still waiting.
    static constexpr UINT_PTR PENDING_LINES_TIMER = 1;
    CDrawThrottle m_throttle{PENDING_LINES_TIMER, LINE_REDRAW_MS};
};
