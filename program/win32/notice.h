// SPDX-License-Identifier: MIT
// A notice that leaves the window usable: one small window of its own, reused for the next text.
// Its frame, which the choice shares, and the lookup of the object behind each window of the view.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "dpi.h"

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
/// holds. Its sizes are pixels at 96 dots per inch, scaled to the frame's DPI.
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

/// The place of the system's sign, at the frame's top left.
HWND sign(HWND frame, HINSTANCE instance);

/// Shows the system's sign @p icon (IDI_WARNING, ...) in @p sign, at its size for @p dpi.
void placeSign(HWND sign, LPCWSTR icon, int dpi);

/// A child of @p frame, to be placed with MoveWindow and given its font by setFont.
HWND child(HWND frame, HINSTANCE instance, const wchar_t *kind, const wchar_t *text, DWORD style,
           int id, DWORD exStyle = 0);

/// Gives every child of @p frame the font @p font.
void setFont(HWND frame, HFONT font);

/// The height that @p text takes wrapped at @p width pixels in @p font, and never less than the
/// sign beside it at @p dpi.
int textHeight(HWND control, HFONT font, const std::wstring &text, int width, int dpi);

/// Sizes @p frame so that its inside is @p width by @p height pixels; @p flags go to SetWindowPos
/// beside SWP_NOMOVE and SWP_NOZORDER.
void fit(HWND frame, int width, int height, UINT flags);

/// On WM_DPICHANGED (@p wparam, @p lparam): the frame moves where Windows suggests and its
/// @p fonts are made for the new DPI; the caller lays it out again.
void changeDpi(HWND frame, Fonts &fonts, WPARAM wparam, LPARAM lparam);

}  // namespace frame

class Notice {
  public:
    Notice() = default;
    ~Notice();
    Notice(const Notice &) = delete;
    Notice &operator=(const Notice &) = delete;

    /// Shows @p text with a warning sign over @p owner, replacing the text of a notice still shown.
    void show(HWND owner, HINSTANCE instance, const std::wstring &text);

    /// Gives the notice its keys (Enter, Esc, Tab); true when @p message was for it.
    bool takeDialogKey(MSG &message);

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    bool make(HWND owner, HINSTANCE instance);
    void layOut();

    HWND window_ = nullptr;
    HWND sign_ = nullptr;
    HWND text_ = nullptr;
    HWND ok_ = nullptr;
    std::wstring shown_;
    Fonts fonts_;
};

}  // namespace zarvo::window::win32
