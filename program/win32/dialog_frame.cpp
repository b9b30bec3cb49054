// SPDX-License-Identifier: MIT
// The notice's and the choice's frame: its class, its sign, its children's font, its size.
#include "dialog_frame.h"

#include <algorithm>

namespace zarvo::window::win32::dialog {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

}  // namespace

HWND make(const wchar_t *className, WNDPROC procedure, HWND owner, HINSTANCE instance, void *self) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return nullptr;
    }
    return CreateWindowExW(kExStyle, className, L"ZARVO", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                           100, owner, nullptr, instance, self);
}

HWND sign(HWND frame, HINSTANCE instance, LPCWSTR icon) {
    HWND hwnd = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, kMargin,
                                kMargin, kIconSize, kIconSize, frame, nullptr, instance, nullptr);
    SendMessageW(hwnd, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
    return hwnd;
}

HWND child(HWND frame, HINSTANCE instance, HFONT font, const wchar_t *kind, const wchar_t *text,
           DWORD style, int id, DWORD exStyle) {
    HWND hwnd =
        CreateWindowExW(exStyle, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, frame,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

int textHeight(HWND control, HFONT font, const std::wstring &text, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT bounds{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return std::max<int>(bounds.bottom, kIconSize);
}

void fit(HWND frame, int width, int height, UINT flags) {
    RECT outside{0, 0, width, height};
    AdjustWindowRectEx(&outside, kStyle, FALSE, kExStyle);
    SetWindowPos(frame, nullptr, 0, 0, outside.right - outside.left, outside.bottom - outside.top,
                 SWP_NOMOVE | SWP_NOZORDER | flags);
}

}  // namespace zarvo::window::win32::dialog
