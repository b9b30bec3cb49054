// SPDX-License-Identifier: MIT
// A choice of one item from a list, window-modal over the form: the form takes no input while it
// is shown, and the caller is not held in a loop of its own.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "dpi.h"

namespace zarvo::window::win32 {

class Choice {
  public:
    Choice() = default;
    ~Choice();
    Choice(const Choice &) = delete;
    Choice &operator=(const Choice &) = delete;

    /// Shows @p text above a list of @p items (the first selected) and the buttons @p confirm and
    /// "Cancelar", over @p owner, which is disabled until the choice closes. A confirmed item goes
    /// to @p chosen after the choice has closed. A choice still shown is replaced.
    void show(HWND owner, HINSTANCE instance, const std::wstring &text,
              const std::vector<std::wstring> &items, const std::wstring &confirm,
              std::function<void(std::size_t)> chosen);

    /// Gives the choice its keys (Enter, Esc, Tab, arrows); true when @p message was for it.
    bool takeDialogKey(MSG &message);

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void layOut();
    void close(bool confirmed);

    HWND window_ = nullptr;
    HWND owner_ = nullptr;
    HWND sign_ = nullptr;
    HWND label_ = nullptr;
    HWND list_ = nullptr;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    std::wstring text_;
    std::function<void(std::size_t)> chosen_;
    Fonts fonts_;
};

}  // namespace zarvo::window::win32
