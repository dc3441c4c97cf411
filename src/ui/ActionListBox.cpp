#include "ui/ActionListBox.h"

#include <windowsx.h>

#include "framework/ScopedHandles.h"
#include "resources/resource.h"
#include "ui/ActionLine.h"
#include "util/Trace.h"

namespace {

bool IsItemIndex(int index) { return index != LB_ERR && index != LB_ERRSPACE; }

// Word-wrapped text in the item's rectangle, as drawn and as measured.
const UINT LINE_TEXT_FORMAT = DT_WORDBREAK;

// Counts the list's messages under way while one is handled; the outermost is the first.
class CMessageDepth {
public:
    explicit CMessageDepth(int& depth) : m_depth(depth) { ++m_depth; }
    ~CMessageDepth() { --m_depth; }
    CMessageDepth(const CMessageDepth&) = delete;
    CMessageDepth& operator=(const CMessageDepth&) = delete;

private:
    int& m_depth;
};

}  // namespace

int CActionListBox::AddColoredString(const char* text, COLORREF color, int nIndex) const {
    const int index = InsertString(nIndex, text);
    if (!IsItemIndex(index)) return index;
    if (index > 0 && static_cast<COLORREF>(GetItemData(index - 1)) == color) color = GetHalfTone(color);
    SetItemData(index, color);
    return index;
}

void CActionListBox::AddQueuedLines() {
    if (m_pQueue == nullptr || m_bAddingQueued) return;
    const std::vector<ACTION_LINE> lines = m_pQueue->TakeLines();
    if (lines.empty()) return;
    TraceEvent("batch %u lines", static_cast<unsigned>(lines.size()));
    // Off while the items go in, so a line never shows without its separator.
    if (m_throttle.Hold()) AllowDrawing(false);
    m_bAddingQueued = true;
    int newest = LB_ERR;
    for (const ACTION_LINE& line : lines) {
        const int index = AppendQueuedLine(line);
        if (IsItemIndex(index)) newest = index;
    }
    m_bAddingQueued = false;
    if (IsItemIndex(newest)) SetCurSel(newest);
    if (m_throttle.IsDue(m_hWnd)) ShowPendingLines();
}

int CActionListBox::AppendQueuedLine(const ACTION_LINE& line) {
    const int index = AddColoredString(line.strText.c_str(), line.color);
    const int separator = AddColoredString("", line.color);
    // Items that did not go in are not counted in the indexes promised after them.
    const int missing = (IsItemIndex(index) ? 0 : 1) + (IsItemIndex(separator) ? 0 : 1);
    if (missing != 0) m_pQueue->CountItems(-missing);
    TraceEvent("line %s", line.strText.c_str());
    return index;
}

void CActionListBox::ShowPendingLines() {
    if (!m_throttle.Release(m_hWnd)) return;
    AllowDrawing(true);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CActionListBox::AllowDrawing(bool bAllow) const {
    // The list box's own flag stops it drawing items, not working on its visible window (it
    // still scrolls it as the selection moves, at a cost like drawing). The system's handling of
    // the same message takes the window out of drawing altogether until it is shown again.
    if (bAllow) ::DefWindowProcA(m_hWnd, WM_SETREDRAW, TRUE, 0);
    SetRedraw(bAllow);
    if (!bAllow) ::DefWindowProcA(m_hWnd, WM_SETREDRAW, FALSE, 0);
}

LRESULT CActionListBox::ChangeItems(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pQueue == nullptr || m_bAddingQueued) return Default(message, wParam, lParam);
    const int before = GetCount();
    const LRESULT result = Default(message, wParam, lParam);
    m_pQueue->CountItems(GetCount() - before);
    return result;
}

std::string CActionListBox::GetAllText() const {
    std::string all;
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        all += GetText(i);
        all += ACTION_LINE_SEPARATOR;
    }
    return all;
}

void CActionListBox::MeasureItem(MEASUREITEMSTRUCT* pMeasure) {
    const int index = static_cast<int>(pMeasure->itemID);
    if (index < 0) return;
    const HDC dc = GetMeasureDC();
    if (dc == nullptr) return;
    CScopedSelectObject font(dc, GetFont());
    const std::string text = GetText(index);
    RECT rect{};
    GetItemRect(index, &rect);
    // Measured as a terminated string, so an empty separator is one text row high, not zero.
    const int height = ::DrawTextA(dc, text.c_str(), -1, &rect, LINE_TEXT_FORMAT | DT_CALCRECT);
    pMeasure->itemHeight = height > static_cast<int>(MAX_ITEM_HEIGHT) ? MAX_ITEM_HEIGHT : static_cast<UINT>(height);
}

HDC CActionListBox::GetMeasureDC() {
    // Compatible with the screen, so a font measures in it as it draws in the window.
    if (!m_measureDC) m_measureDC.Reset(::CreateCompatibleDC(nullptr));
    return m_measureDC.Get();
}

void CActionListBox::DrawItem(const DRAWITEMSTRUCT* pDraw) {
    const int index = static_cast<int>(pDraw->itemID);
    if (index < 0) return;
    const bool bSelected = (pDraw->itemState & ODS_SELECTED) != 0;
    const bool bWhole = (pDraw->itemAction & ODA_DRAWENTIRE) != 0;
    const bool bSelectionChange = (pDraw->itemAction & ODA_SELECT) != 0;
    // A focus change alone draws nothing, and no focus rectangle is ever drawn.
    const bool bDrawSelected = bSelected && (bWhole || bSelectionChange);
    const bool bDrawPlain = !bDrawSelected && (bWhole || (!bSelected && bSelectionChange));
    if (!bDrawSelected && !bDrawPlain) return;

    CScopedSelectObject font(pDraw->hDC, GetFont());
    DrawLine(pDraw->hDC, pDraw->rcItem, GetText(index), static_cast<COLORREF>(pDraw->itemData), bDrawSelected);
}

void CActionListBox::DrawLine(HDC dc, const RECT& rect, const std::string& text, COLORREF color,
                              bool bSelected) const {
    RECT textRect = rect;
    if (bSelected) {
        ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        const COLORREF oldText = ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        const COLORREF oldBack = ::SetBkColor(dc, ::GetSysColor(COLOR_HIGHLIGHT));
        ::DrawTextA(dc, text.c_str(), -1, &textRect, LINE_TEXT_FORMAT);
        ::SetTextColor(dc, oldText);
        ::SetBkColor(dc, oldBack);
        return;
    }
    // The text keeps the context's colour (the window-text colour) on the line's own colour.
    ::SetBkColor(dc, color);
    CScopedGdiObject brush(::CreateSolidBrush(color));
    if (brush) ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
    ::DrawTextA(dc, text.c_str(), -1, &textRect, LINE_TEXT_FORMAT);
}

LRESULT CActionListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Another thread asking anything of the list sees every line handed over before it asked;
    // never in the middle of the list's own work on a message.
    if (m_nDepth == 0 && ::InSendMessage()) AddQueuedLines();
    CMessageDepth inside(m_nDepth);
    switch (message) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
        return ChangeItems(message, wParam, lParam);
    case WM_TIMER:
        if (wParam != PENDING_LINES_TIMER) break;
        ShowPendingLines();
        return 0;
    case WM_RBUTTONUP: {
        POINT cursor{};
        if (::GetCursorPos(&cursor)) ShowPopupMenu(cursor);
        break;
    }
    case WM_CONTEXTMENU:
        // From the keyboard (the menu key, Shift+F10) the point is (-1, -1). A right-click's own
        // WM_CONTEXTMENU is passed over: the button's release has shown the menu already.
        if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1) ShowPopupMenu(GetKeyboardMenuPoint());
        return 0;
    case WM_COMMAND:
        // The menu's commands go to the dialog, as messages numbered like the commands.
        if (LOWORD(wParam) == ID_COPY_ALL || LOWORD(wParam) == ID_SAVE_ALL) {
            ::SendMessageA(::GetParent(m_hWnd), LOWORD(wParam), 0, 0);
            return 0;
        }
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void CActionListBox::ShowPopupMenu(POINT at) const {
    // An empty list has nothing to export.
    if (GetCount() <= 0) return;
    CScopedMenu menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MENU_POPUP)));
    if (!menu) return;
    HMENU popup = ::GetSubMenu(menu.Get(), 0);
    if (popup == nullptr) return;
    ::TrackPopupMenu(popup, 0, at.x, at.y, 0, m_hWnd, nullptr);
}

POINT CActionListBox::GetKeyboardMenuPoint() const {
    RECT rect{};
    const int selected = GetCurSel();
    if (!IsItemIndex(selected) || !GetItemRect(selected, &rect)) ::GetClientRect(m_hWnd, &rect);
    POINT point{rect.left, rect.bottom};
    ::ClientToScreen(m_hWnd, &point);
    return point;
}
