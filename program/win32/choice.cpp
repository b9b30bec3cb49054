// SPDX-License-Identifier: MIT
// The choice window: a question sign, the text, a list box, the confirming button and "Cancelar".
#include "choice.h"

#include "notice.h"

namespace zarvo::window::win32 {
namespace {

using frame::kButtonHeight;
using frame::kMargin;
using frame::kTextLeft;

constexpr wchar_t kChoiceClass[] = L"ZarvoChoice";
constexpr int kWidth = 520;
constexpr int kListHeight = 120;
constexpr int kButtonWidth = 120;
/// The list box's control id, by which a robot finds it.
constexpr int kListId = 100;

}  // namespace

Choice::~Choice() {
    if (window_ != nullptr) {
        chosen_ = nullptr;
        close(false);
    }
}

void Choice::show(HWND owner, HINSTANCE instance, const std::wstring &text,
                  const std::vector<std::wstring> &items, const std::wstring &confirm,
                  std::function<void(std::size_t)> chosen) {
    if (window_ != nullptr) {
        chosen_ = nullptr;
        close(false);
    }
    window_ = frame::make(kChoiceClass, &Choice::windowProc, owner, instance, this);
    if (window_ == nullptr) {
        return;  // no window to be had: the form stays as the failed test left it
    }
    owner_ = owner;
    chosen_ = std::move(chosen);
    text_ = text;

    sign_ = frame::sign(window_, instance);
    label_ = frame::child(window_, instance, L"STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, 0);
    list_ = frame::child(window_, instance, L"LISTBOX", nullptr,
                         WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                         kListId, WS_EX_CLIENTEDGE);
    for (const std::wstring &item : items) {
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageW(list_, LB_SETCURSEL, 0, 0);
    ok_ = frame::child(window_, instance, L"BUTTON", confirm.c_str(), WS_TABSTOP | BS_DEFPUSHBUTTON,
                       IDOK);
    cancel_ = frame::child(window_, instance, L"BUTTON", L"Cancelar", WS_TABSTOP | BS_PUSHBUTTON,
                           IDCANCEL);
    fonts_.setDpi(dpiOf(window_));
    frame::setFont(window_, fonts_.regular());
    layOut();

    EnableWindow(owner_, FALSE);  // window-modal: the form takes no input meanwhile
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(list_);
}

void Choice::layOut() {
    const int dpi = fonts_.dpi();
    const int margin = scaled(kMargin, dpi), textLeft = scaled(kTextLeft, dpi);
    const int width = scaled(kWidth, dpi), listHeight = scaled(kListHeight, dpi);
    const int buttonWidth = scaled(kButtonWidth, dpi), buttonHeight = scaled(kButtonHeight, dpi);
    const int textWidth = width - textLeft - margin;
    const int labelHeight = frame::textHeight(label_, fonts_.regular(), text_, textWidth, dpi);
    frame::placeSign(sign_, IDI_QUESTION, dpi);
    MoveWindow(label_, textLeft, margin, textWidth, labelHeight, TRUE);
    const int listTop = margin * 2 + labelHeight;
    MoveWindow(list_, margin, listTop, width - 2 * margin, listHeight, TRUE);
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, scaled(1600, dpi), 0);  // long device names scroll
    const int buttonTop = listTop + listHeight + margin;
    MoveWindow(cancel_, width - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(ok_, width - 2 * (margin + buttonWidth) + margin, buttonTop, buttonWidth,
               buttonHeight, TRUE);
    frame::fit(window_, width, buttonTop + buttonHeight + margin, 0);
}

void Choice::close(bool confirmed) {
    const LRESULT selected = confirmed ? SendMessageW(list_, LB_GETCURSEL, 0, 0) : LB_ERR;
    std::function<void(std::size_t)> chosen = std::move(chosen_);
    chosen_ = nullptr;
    // The owner is enabled before the choice goes, or Windows activates some other window.
    EnableWindow(owner_, TRUE);
    HWND window = window_;
    window_ = nullptr;
    list_ = nullptr;
    DestroyWindow(window);
    SetForegroundWindow(owner_);
    if (selected != LB_ERR && chosen) {
        chosen(static_cast<std::size_t>(selected));
    }
}

bool Choice::takeDialogKey(MSG &message) {
    return window_ != nullptr && IsDialogMessageW(window_, &message);
}

LRESULT CALLBACK Choice::windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto *self = windowOwner<Choice>(hwnd, message, lparam);
    if (self == nullptr || self->window_ != hwnd) {
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK ||
                (LOWORD(wparam) == kListId && HIWORD(wparam) == LBN_DBLCLK)) {
                self->close(true);
            } else if (LOWORD(wparam) == IDCANCEL) {
                self->close(false);
            }
            return 0;
        case WM_CLOSE:
            self->close(false);
            return 0;
        case WM_DPICHANGED:
            frame::changeDpi(hwnd, self->fonts_, wparam, lparam);
            self->layOut();
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace zarvo::window::win32
