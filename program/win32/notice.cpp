// SPDX-License-Identifier: MIT
// The notice window: a warning sign, the text, and an OK button that closes it; and the frame it
// shares with the choice: its class, caption, sign, children's font and size.
#include "notice.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <utility>

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

HWND sign(HWND frame, HINSTANCE instance) {
    return CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, 0, 0, 0, 0,
                           frame, nullptr, instance, nullptr);
}

void placeSign(HWND sign, LPCWSTR icon, int dpi) {
    // The system's icons in its own size are made for the system's DPI: each is loaded once at
    // the size of each DPI met, and kept for the program's life.
    static std::map<std::pair<ULONG_PTR, int>, HICON> loaded;
    const int size = scaled(kIconSize, dpi);
    HICON &shown = loaded[{reinterpret_cast<ULONG_PTR>(icon), size}];
    if (shown == nullptr) {
        shown = static_cast<HICON>(LoadImageW(nullptr, icon, IMAGE_ICON, size, size, 0));
    }
    if (shown == nullptr) {
        shown = LoadIconW(nullptr, icon);
    }
    SendMessageW(sign, STM_SETICON, reinterpret_cast<WPARAM>(shown), 0);
    MoveWindow(sign, scaled(kMargin, dpi), scaled(kMargin, dpi), size, size, TRUE);
}

HWND child(HWND frame, HINSTANCE instance, const wchar_t *kind, const wchar_t *text, DWORD style,
           int id, DWORD exStyle) {
    return CreateWindowExW(exStyle, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, frame,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void setFont(HWND frame, HFONT font) {
    for (HWND c = GetWindow(frame, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

int textHeight(HWND control, HFONT font, const std::wstring &text, int width, int dpi) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT bounds{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return std::max<int>(bounds.bottom, scaled(kIconSize, dpi));
}

void fit(HWND frame, int width, int height, UINT flags) {
    setClientSize(frame, width, height, flags);
}

void changeDpi(HWND frame, Fonts &fonts, WPARAM wparam, LPARAM lparam) {
    const auto *suggested = reinterpret_cast<const RECT *>(lparam);
    SetWindowPos(frame, nullptr, suggested->left, suggested->top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    fonts.setDpi(HIWORD(wparam));
    setFont(frame, fonts.regular());
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

bool Notice::make(HWND owner, HINSTANCE instance) {
    window_ = frame::make(kNoticeClass, &Notice::windowProc, owner, instance, this);
    if (window_ == nullptr) {
        return false;
    }
    fonts_.setDpi(dpiOf(window_));
    sign_ = frame::sign(window_, instance);
    text_ = frame::child(window_, instance, L"STATIC", nullptr, SS_LEFT, 0);
    ok_ = frame::child(window_, instance, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
    frame::setFont(window_, fonts_.regular());
    return true;
}

void Notice::layOut() {
    const int dpi = fonts_.dpi();
    const int margin = scaled(kMargin, dpi), textLeft = scaled(kTextLeft, dpi);
    const int textWidth = scaled(kTextWidth, dpi);
    const int buttonWidth = scaled(kButtonWidth, dpi), buttonHeight = scaled(kButtonHeight, dpi);
    const int textHeight = frame::textHeight(text_, fonts_.regular(), shown_, textWidth, dpi);
    const int width = textLeft + textWidth + margin;
    const int height = margin + textHeight + margin + buttonHeight + margin;
    frame::placeSign(sign_, IDI_WARNING, dpi);
    MoveWindow(text_, textLeft, margin, textWidth, textHeight, TRUE);
    MoveWindow(ok_, width - margin - buttonWidth, height - margin - buttonHeight, buttonWidth,
               buttonHeight, TRUE);
    SetWindowTextW(text_, shown_.c_str());
    frame::fit(window_, width, height, SWP_NOACTIVATE);
}

void Notice::show(HWND owner, HINSTANCE instance, const std::wstring &text) {
    if (window_ == nullptr && !make(owner, instance)) {
        return;  // no window to be had: the answer box still shows the exchange's error reply
    }
    shown_ = text;
    layOut();
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
        case WM_DPICHANGED:
            if (self != nullptr && self->window_ == hwnd) {
                frame::changeDpi(hwnd, self->fonts_, wparam, lparam);
                self->layOut();
            }
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
