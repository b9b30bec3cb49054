// SPDX-License-Identifier: MIT
// A notice that leaves the window usable: one small window of its own, reused for the next text.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace zarvo::window::win32 {

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
