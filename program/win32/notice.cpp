// SPDX-License-Identifier: MIT
// The notice window: a warning sign, the text, and an OK button that closes it.
#include "notice.h"
#include "window_owner.h"

#include <algorithm>

namespace zarvo::window::win32 {
namespace {

constexpr wchar_t kNoticeClass[] = L"ZarvoNotice";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kTextWidth = 320;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

}  // namespace

Notice::~Notice() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

bool Notice::make(HWND owner, HINSTANCE instance, HFONT font) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Notice::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kNoticeClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kNoticeClass, L"ZARVO", kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, 100, 100, owner, nullptr, instance, this);
    if (window_ == nullptr) {
        return false;
    }
    font_ = font;
    HWND icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, kMargin,
                                kMargin, kIconSize, kIconSize, window_, nullptr, instance, nullptr);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)), 0);
    text_ = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0,
                            window_, nullptr, instance, nullptr);
    ok_ =
        CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        0, 0, kButtonWidth, kButtonHeight, window_,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDOK)), instance, nullptr);
    SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(ok_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return true;
}

void Notice::layOut(const std::wstring &text) {
    HDC dc = GetDC(text_);
    HGDIOBJ previous = SelectObject(dc, font_);
    RECT bounds{0, 0, kTextWidth, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(text_, dc);

    const int textLeft = kMargin * 2 + kIconSize;
    const int textHeight = std::max<int>(bounds.bottom, kIconSize);
    const int width = textLeft + kTextWidth + kMargin;
    const int height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    MoveWindow(text_, textLeft, kMargin, kTextWidth, textHeight, TRUE);
    MoveWindow(ok_, width - kMargin - kButtonWidth, height - kMargin - kButtonHeight, kButtonWidth,
               kButtonHeight, TRUE);
    SetWindowTextW(text_, text.c_str());

    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, WS_EX_DLGMODALFRAME);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
