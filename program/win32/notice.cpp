// SPDX-License-Identifier: MIT
// The notice window: a warning sign, the text, and an OK button that closes it; and the frame it
// shares with the choice: its class, caption, sign, children's font and size.
#include "notice.h"

#include <algorithm>
#include <iterator>

namespace zarvo::window::win32 {

namespace frame {
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
    wchar_t caption[64] = {};
    GetWindowTextW(owner, caption, static_cast<int>(std::size(caption)));
    return CreateWindowExW(kExStyle, className, caption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100,
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

}  // namespace frame

namespace {

using frame::kButtonHeight;
using frame::kMargin;
using frame::kTextLeft;

constexpr wchar_t kNoticeClass[] = L"ZarvoNotice";
constexpr int kTextWidth = 320;
constexpr int kButtonWidth = 75;

}  // namespace

Notice::~Notice() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

bool Notice::make(HWND owner, HINSTANCE instance, HFONT font) {
    window_ = frame::make(kNoticeClass, &Notice::windowProc, owner, instance, this);
    if (window_ == nullptr) {
        return false;
    }
    font_ = font;
    frame::sign(window_, instance, IDI_WARNING);
    text_ = frame::child(window_, instance, font_, L"STATIC", nullptr, SS_LEFT, 0);
    ok_ = frame::child(window_, instance, font_, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON,
                       IDOK);
    return true;
}

void Notice::layOut(const std::wstring &text) {
    const int textHeight = frame::textHeight(text_, font_, text, kTextWidth);
    const int width = kTextLeft + kTextWidth + kMargin;
    const int height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    MoveWindow(text_, kTextLeft, kMargin, kTextWidth, textHeight, TRUE);
    MoveWindow(ok_, width - kMargin - kButtonWidth, height - kMargin - kButtonHeight, kButtonWidth,
               kButtonHeight, TRUE);
    SetWindowTextW(text_, text.c_str());
    frame::fit(window_, width, height, SWP_NOACTIVATE);
}

void Notice::show(HWND owner, HINSTANCE instance, HFONT font, const std::wstring &text) {
    if (window_ == nullptr && !make(owner, instance, font)) {
        return;  // no window to be had: the answer box still shows the exchange's error reply
    }
    layOut(text);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

bool Notice::takeDialogKey(MSG &message) {
    return window_ != nullptr && IsDialogMessageW(window_, &message);
}

LRESULT CALLBACK Notice::windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto *self = windowOwner<Notice>(hwnd, message, lparam);
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                DestroyWindow(hwnd);
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            if (self != nullptr) {
                self->window_ = nullptr;
            }
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace zarvo::window::win32
