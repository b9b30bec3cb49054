// SPDX-License-Identifier: MIT
// A notice that leaves the window usable: one small window of its own, reused for the next text.
// Its frame, which the choice shares, and the lookup of the object behind each window of the view.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace zarvo::window::win32 {

/// The @p Owner whose window @p hwnd is: the object passed as CreateWindowExW's last argument,
/// which WM_NCCREATE keeps in the window's user data; nullptr for messages that come before.
template <class Owner>
Owner *windowOwner(HWND hwnd, UINT message, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lparam)->lpCreateParams));
    }
    return reinterpret_cast<Owner *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

/// The frame that the notice and the choice share: a small window over the form, with the
/// form's caption, a sign at its top left and a wrapped text beside it, sized around what it
/// holds.
namespace frame {

inline constexpr int kMargin = 12;
inline constexpr int kIconSize = 32;
inline constexpr int kButtonHeight = 23;
/// Where the text starts: right of the sign.
inline constexpr int kTextLeft = kMargin * 2 + kIconSize;

/// Registers the window class @p className with @p procedure (once) and makes its window over
/// @p owner, captioned as the owner is, @p self as its windowOwner; nullptr when the platform
/// refuses.
HWND make(const wchar_t *className, WNDPROC procedure, HWND owner, HINSTANCE instance, void *self);

/// The system's sign @p icon (IDI_WARNING, ...) at the frame's top left.
HWND sign(HWND frame, HINSTANCE instance, LPCWSTR icon);

/// A child of @p frame in @p font, to be placed with MoveWindow.
HWND child(HWND frame, HINSTANCE instance, HFONT font, const wchar_t *kind, const wchar_t *text,
           DWORD style, int id, DWORD exStyle = 0);

/// The height that @p text takes wrapped at @p width pixels in @p font, and never less than the
/// sign beside it.
int textHeight(HWND control, HFONT font, const std::wstring &text, int width);

/// Sizes @p frame so that its inside is @p width by @p height pixels; @p flags go to SetWindowPos
/// beside SWP_NOMOVE and SWP_NOZORDER.
void fit(HWND frame, int width, int height, UINT flags);

}  // namespace frame

class Notice {
  public:
    Notice() = default;
    ~Notice();
    Notice(const Notice &) = delete;
    Notice &operator=(const Notice &) = delete;

    /// Shows @p text with a warning sign over @p owner, replacing the text of a notice still shown.
    void show(HWND owner, HINSTANCE instance, HFONT font, const std::wstring &text);

    /// Gives the notice its keys (Enter, Esc, Tab); true when @p message was for it.
    bool takeDialogKey(MSG &message);

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    bool make(HWND owner, HINSTANCE instance, HFONT font);
    void layOut(const std::wstring &text);

    HWND window_ = nullptr;
    HWND text_ = nullptr;
    HWND ok_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace zarvo::window::win32
