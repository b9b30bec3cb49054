// SPDX-License-Identifier: MIT
// The object that made a window of this view: passed as CreateWindowExW's last argument and kept
// in the window's user data, so that its window procedure finds it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zarvo::window::win32 {

/// The @p Owner whose window @p hwnd is; nullptr for messages that come before WM_NCCREATE.
template <class Owner>
Owner *windowOwner(HWND hwnd, UINT message, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lparam)->lpCreateParams));
    }
    return reinterpret_cast<Owner *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace zarvo::window::win32
