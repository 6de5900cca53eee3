// A push button that a lesson script places on a graph window, with an optional bitmap face.
#pragma once
#include <windows.h>
#include <cstdint>

constexpr int kScriptCaptionMax = 260;

class CScriptButton {
public:
    CScriptButton();
    ~CScriptButton();
    CScriptButton(const CScriptButton&) = delete;
    CScriptButton& operator=(const CScriptButton&) = delete;

    // Makes the window when id is not 0; returns 1 when the button exists afterwards.
    int Create(HWND parent, int id, const RECT* rc);
    void SetSize(int width, int height);
    void MoveTo(int x, int y);
    void GetRect(RECT* out) const;
    // The caption, also shown as the window's text (cut to the caption's room).
    void SetText(const char* text);
    // Loads the face from the current lesson's "Buttons" folder; returns 1 when a bitmap was set.
    int SetBitmap(const char* fileName);

    HWND GetWindow() const { return m_hwnd; }
    HBITMAP GetBitmap() const { return m_hbm; }
    const char* GetCaption() const { return m_caption; }
    int GetId() const { return m_id; }

private:
    RECT m_rect;
    char m_caption[kScriptCaptionMax];
    HWND m_parent;
    int32_t m_id;
    HWND m_hwnd;
    HBITMAP m_hbm;
};
