// The "acqPopup" button: shows its checked item's text and drops down a menu of choices.
#pragma once
#include <windows.h>
#include <cstdint>
#include "common/color.h"

struct stMeasure;

constexpr char kPopupButtonClass[] = "acqPopup";
constexpr uint16_t kPopupKind = 5;
// Notification code in the high word of the WM_COMMAND posted to the parent on a choice.
constexpr WORD kPopupNotifyChoice = 9;
// The measurement menu's "calculate" choice (its resource id + 1).
constexpr int32_t kPopupCalculateId = 226;
// Menu key under which the device library keeps the measurement menu's texts.
constexpr int kMeasureMenuKey = 117;

COLORREF PackColor16(const stColor16& c);

int RegisterPopupButtonClass(HINSTANCE instance);

// SetWindowPos for a child window, skipped when the window already has that place and size.
void PlaceChildWindow(HWND hwnd, int x, int y, int width, int height, UINT flags);
// InvalidateRect for a window that shows; one that does not is painted whole when it comes into
// sight, and under Wine every invalidation asks the window server.
void InvalidateIfShown(HWND hwnd, const RECT* rc, BOOL erase);

class PopupButton {
public:
    PopupButton();
    virtual ~PopupButton();
    PopupButton(const PopupButton&) = delete;
    PopupButton& operator=(const PopupButton&) = delete;

    // Returns 1 when the window was made. menuName may be a MAKEINTRESOURCE id.
    int Create(HWND parent, const RECT* rc, int id, const char* menuName, int autoWidth);
    int LoadMenu(const char* name);
    int AppendItem(const char* text, int index);
    int RemoveItem(int position);
    int EnableItem(int position);
    int DisableItem(int position);
    int SetItemText(int position, const char* text);
    void ResetMenu();
    int GetItemCount() const;
    int GetSelectedIndex() const { return m_checkedId - 1; }
    void SelectItem(int index);
    void SetColors(const stColor16& first, const stColor16& frame, const stColor16& third);
    // The width of its automatic size, plus `extra` pixels; nothing without automatic width.
    void FitWidth(int extra = 0);
    void Move(int x, int y);
    void Resize(int width, int height);
    void GetRect(RECT* out) const;
    void SetUserData(stMeasure* owner) { m_owner = owner; }
    stMeasure* GetUserData() const { return m_owner; }
    // Runs the menu when (x, y) lies in the stored rectangle; returns the menu's result, else 0.
    int TrackIfHit(int x, int y);

    virtual void Draw(HDC dc, const RECT* rc);

    HWND GetWindow() const { return m_hwnd; }
    // The menu that holds the items (the first submenu of a loaded menu).
    HMENU GetItemMenu() const;

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // The button face, the 3-D edge and the outline in the frame colour; returns the face rectangle.
    RECT DrawFrame(HDC dc) const;
    // The checked item's text; returns its length (0 when nothing is checked).
    int GetCheckedText(char* buffer, int size) const;
    void DrawCenteredText(HDC dc, const RECT* rc, const char* text) const;

    uint16_t m_kind;
    HMENU m_hMenu;
    int32_t m_checkedId;
    stColor16 m_color3, m_color1, m_colorFrame;
    int32_t m_autoWidth;
    int32_t m_visible;
    HWND m_hwnd;
    int32_t m_menuFromResource;
    RECT m_rect;
    stMeasure* m_owner;

private:
    void OnChoice(int id);
    bool OnLButtonDown(WPARAM keys);
    void OnRButtonDown();
    void RunCalculation();
    void ShowMenuAt(POINT clientPt);
};

// The channel variant of a measurement box: its items read "SC, ..." (the selected channel,
// item 60) or "Ch<n>, <label>", and the face shows only "SC" or the number.
class ChannelPopupButton : public PopupButton {
public:
    static constexpr int kSelectedChannelItem = 60;
    void Draw(HDC dc, const RECT* rc) override;
    // The short text of an item's text for the selected index.
    static void ShortText(const char* itemText, int selectedIndex, char* out, int size);
};
