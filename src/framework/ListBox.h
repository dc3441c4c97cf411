#pragma once

#include <windows.h>

#include <string>

#include "framework/Wnd.h"

// A list box control of a dialog. Subclassed, it gets its own messages first (WindowProc),
// and its dialog reflects WM_DRAWITEM and WM_MEASUREITEM to it, so an owner-drawn list box
// draws itself.
class CListBox : public CWnd {
public:
    CListBox() = default;
    ~CListBox() override { UnsubclassWindow(); }

    // Takes over control nID of the dialog; false when there is no such control.
    bool SubclassDlgItem(int nID, HWND hDialog);
    void UnsubclassWindow();
    // The list box object subclassing the window, or null.
    static CListBox* FromHandle(HWND hWnd);

    virtual void DrawItem(const DRAWITEMSTRUCT* /*pDraw*/) {}
    virtual void MeasureItem(MEASUREITEMSTRUCT* /*pMeasure*/) {}

    int GetCount() const { return static_cast<int>(Send(LB_GETCOUNT)); }
    int InsertString(int nIndex, const char* text) const {
        return static_cast<int>(Send(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(text)));
    }
    int GetTextLen(int nIndex) const { return static_cast<int>(Send(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex))); }
    // The item's text; empty for an index that is not an item.
    std::string GetText(int nIndex) const;
    DWORD_PTR GetItemData(int nIndex) const {
        return static_cast<DWORD_PTR>(Send(LB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
    }
    int SetItemData(int nIndex, DWORD_PTR data) const {
        return static_cast<int>(Send(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(data)));
    }
    int SetCurSel(int nIndex) const { return static_cast<int>(Send(LB_SETCURSEL, static_cast<WPARAM>(nIndex))); }
    int GetCurSel() const { return static_cast<int>(Send(LB_GETCURSEL)); }
    bool GetItemRect(int nIndex, RECT* rect) const {
        return Send(LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(rect)) != LB_ERR;
    }
    void ResetContent() const { Send(LB_RESETCONTENT); }
    void SetRedraw(bool bRedraw) const { Send(WM_SETREDRAW, bRedraw ? TRUE : FALSE); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT)); }
    void SetFont(HFONT font, bool bRedraw) const { Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), bRedraw); }

protected:
    // The list box's own messages; the default passes them to the control's class.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;
};
