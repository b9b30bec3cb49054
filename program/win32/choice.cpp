// SPDX-License-Identifier: MIT
// The choice window: a question sign, the text, a list box, the confirming button and "Cancelar".
#include "choice.h"
#include "window_owner.h"

#include <algorithm>

namespace zarvo::window::win32 {
namespace {

constexpr wchar_t kChoiceClass[] = L"ZarvoChoice";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kWidth = 520;
constexpr int kListHeight = 120;
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 23;
/// The list box's control id, by which a robot finds it.
constexpr int kListId = 100;

int textHeight(HWND control, HFONT font, const std::wstring &text, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT bounds{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return bounds.bottom;
}

HWND child(HWND parent, HINSTANCE instance, HFONT font, const wchar_t *kind, const wchar_t *text,
           DWORD style, int id) {
    HWND hwnd =
        CreateWindowExW(kind == std::wstring(L"LISTBOX") ? WS_EX_CLIENTEDGE : 0, kind, text,
                        WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

}  // namespace

Choice::~Choice() {
    if (window_ != nullptr) {
        chosen_ = nullptr;
        close(false);
    }
}

void Choice::show(HWND owner, HINSTANCE instance, HFONT font, const std::wstring &text,
                  const std::vector<std::wstring> &items, const std::wstring &confirm,
                  std::function<void(std::size_t)> chosen) {
    if (window_ != nullptr) {
        chosen_ = nullptr;
        close(false);
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Choice::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kChoiceClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return;  // no window to be had: the form stays as the failed test left it
    }
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kChoiceClass, L"ZARVO", kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, 100, 100, owner, nullptr, instance, this);
    if (window_ == nullptr) {
        return;
    }
    owner_ = owner;
    chosen_ = std::move(chosen);

    HWND icon = child(window_, instance, font, L"STATIC", nullptr, SS_ICON, 0);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
    HWND label = child(window_, instance, font, L"STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, 0);
    list_ =
        child(window_, instance, font, L"LISTBOX", nullptr,
              WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kListId);
    for (const std::wstring &item : items) {
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageW(list_, LB_SETCURSEL, 0, 0);
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, 1600, 0);  // long device names scroll
    HWND ok = child(window_, instance, font, L"BUTTON", confirm.c_str(),
                    WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
    HWND cancel = child(window_, instance, font, L"BUTTON", L"Cancelar", WS_TABSTOP | BS_PUSHBUTTON,
                        IDCANCEL);

    const int textLeft = kMargin * 2 + kIconSize;
    const int textWidth = kWidth - textLeft - kMargin;
    const int labelHeight = std::max(textHeight(label, font, text, textWidth), kIconSize);
    MoveWindow(icon, kMargin, kMargin, kIconSize, kIconSize, FALSE);
    MoveWindow(label, textLeft, kMargin, textWidth, labelHeight, FALSE);
    const int listTop = kMargin * 2 + labelHeight;
    MoveWindow(list_, kMargin, listTop, kWidth - 2 * kMargin, kListHeight, FALSE);
    const int buttonTop = listTop + kListHeight + kMargin;
    MoveWindow(cancel, kWidth - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight,
               FALSE);
    MoveWindow(ok, kWidth - 2 * (kMargin + kButtonWidth) + kMargin, buttonTop, kButtonWidth,
               kButtonHeight, FALSE);
    RECT frame{0, 0, kWidth, buttonTop + kButtonHeight + kMargin};
    AdjustWindowRectEx(&frame, kStyle, FALSE, WS_EX_DLGMODALFRAME);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);

    EnableWindow(owner_, FALSE);  // window-modal: the form takes no input meanwhile
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(list_);
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
        default:
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace zarvo::window::win32
