// SPDX-License-Identifier: MIT
// The notice window: a warning sign, the text, and an OK button that closes it.
#include "notice.h"
#include "dialog_frame.h"
#include "window_owner.h"

namespace zarvo::window::win32 {
namespace {

using dialog::kButtonHeight;
using dialog::kMargin;
using dialog::kTextLeft;

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
    window_ = dialog::make(kNoticeClass, &Notice::windowProc, owner, instance, this);
    if (window_ == nullptr) {
        return false;
    }
    font_ = font;
    dialog::sign(window_, instance, IDI_WARNING);
    text_ = dialog::child(window_, instance, font_, L"STATIC", nullptr, SS_LEFT, 0);
    ok_ = dialog::child(window_, instance, font_, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON,
                        IDOK);
    return true;
}

void Notice::layOut(const std::wstring &text) {
    const int textHeight = dialog::textHeight(text_, font_, text, kTextWidth);
    const int width = kTextLeft + kTextWidth + kMargin;
    const int height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    MoveWindow(text_, kTextLeft, kMargin, kTextWidth, textHeight, TRUE);
    MoveWindow(ok_, width - kMargin - kButtonWidth, height - kMargin - kButtonHeight, kButtonWidth,
               kButtonHeight, TRUE);
    SetWindowTextW(text_, text.c_str());
    dialog::fit(window_, width, height, SWP_NOACTIVATE);
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
