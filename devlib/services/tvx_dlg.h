// CTVXDlg: one dialog window, modal or modeless, bound to an object whose virtual handlers
// receive the dialog's messages. Exported with its virtual table: subclasses live in both
// the library and the program, so the field and slot order below must not change.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/vk40.h"

class VK40_CLASS CTVXDlg {
public:
    CTVXDlg();
    CTVXDlg(const CTVXDlg& other);
    CTVXDlg& operator=(const CTVXDlg& other);
    virtual ~CTVXDlg();

    virtual int Enable(int enable);
    virtual int IsWindowEnabled();
    virtual int OnInitDialog(HWND focus, LPARAM param);
    virtual int OnCommand(int id, HWND control, unsigned code);
    virtual int OnNotify(int id, LPARAM header);
    virtual int OnVScroll(HWND scrollBar, unsigned code, int position);
    virtual int OnHScroll(HWND scrollBar, unsigned code, int position);
    virtual int OnPaint();
    virtual int OnInitMenuPopup(HMENU menu, unsigned index, int systemMenu);
    virtual int OnContextMenu(HWND window, unsigned x, unsigned y);
    virtual int OnMenuSelect(HMENU menu, int item, HMENU popup, unsigned flags);
    virtual int OnAppMsg(unsigned message, WPARAM wParam, LPARAM lParam);
    virtual int OnTimer(unsigned timerId);
    virtual int OnDrawItem(const DRAWITEMSTRUCT* item);
    virtual int OnDestroy();
    virtual int OnShowWindow(int shown, unsigned status);
    virtual int OnActivate(unsigned state, HWND other, int minimised);

    // modal: returns when the dialog ends, 1 for a result above 0; modeless: 1 when created.
    int Create(HINSTANCE instance, uint16_t id, HWND parent, int modal);
    int Create(HINSTANCE instance, HWND parent, int modal);

    void Show();
    void Hide();
    int IsWindow();
    int IsWindowVisible();
    int DestroyWindow();
    int EndDialog(int result);
    HWND GetDlgItem(int id);
    LRESULT SendDlgItemMessageA(int id, unsigned message, WPARAM wParam, LPARAM lParam);
    int GetDlgItemTextA(int id, char* text, int size);
    int SetDlgItemTextA(int id, char* text);
    int GetRect(RECT* rect);
    uint16_t GetId() const { return m_id; }

    HWND m_hWnd;        // null until the dialog is initialised
    HWND m_hParent;     // the owner passed to Create
    int m_modalResult;  // what DialogBoxParamA returned
    uint16_t m_id;      // the template resource id

private:
    static INT_PTR CALLBACK DlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    int Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
};
