#include "ui/ActionListBox.h"

#include <windowsx.h>

#include "framework/ScopedHandles.h"
#include "resources/resource.h"
#include "ui/ActionLine.h"

namespace {

bool IsItemIndex(int index) { return index != LB_ERR && index != LB_ERRSPACE; }

// Word-wrapped text in the item's rectangle, as drawn and as measured.
const UINT LINE_TEXT_FORMAT = DT_WORDBREAK;
// The timer that shows lines still waiting.
const UINT_PTR PENDING_LINES_TIMER = 1;

}  // namespace

int CActionListBox::AddColoredString(const char* text, COLORREF color, int nIndex) const {
    const int index = InsertString(nIndex, text);
    if (!IsItemIndex(index)) return index;
    if (index > 0 && static_cast<COLORREF>(GetItemData(index - 1)) == color) color = GetHalfTone(color);
    SetItemData(index, color);
    return index;
}

int CActionListBox::AddActionLine(const char* text, COLORREF color) {
    // Off while the items go in, so a line never shows without its separator.
    if (!m_bLinesPending) SetRedraw(false);
    m_bLinesPending = true;
    const int index = AddColoredString(text, color);
    SetCurSel(index);
    AddColoredString("", color);
    if (::GetTickCount64() - m_ullLastShown >= LINE_REDRAW_MS) {
        ShowPendingLines();
    } else {
        ::SetTimer(m_hWnd, PENDING_LINES_TIMER, LINE_REDRAW_MS, nullptr);
    }
    return index;
}

void CActionListBox::ShowPendingLines() {
    ::KillTimer(m_hWnd, PENDING_LINES_TIMER);
    m_ullLastShown = ::GetTickCount64();
    if (!m_bLinesPending) return;
    m_bLinesPending = false;
    SetRedraw(true);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
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
    CScopedWindowDC dc(m_hWnd);
    if (dc.Get() == nullptr) return;
    CScopedSelectObject font(dc.Get(), GetFont());
    const std::string text = GetText(index);
    RECT rect{};
    GetItemRect(index, &rect);
    // Measured as a terminated string, so an empty separator is one text row high, not zero.
    const int height = ::DrawTextA(dc.Get(), text.c_str(), -1, &rect, LINE_TEXT_FORMAT | DT_CALCRECT);
    pMeasure->itemHeight = height > static_cast<int>(MAX_ITEM_HEIGHT) ? MAX_ITEM_HEIGHT : static_cast<UINT>(height);
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
    switch (message) {
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
