// SPDX-License-Identifier: MIT
// The form's window: its controls in tab order, their events, focus, colors and the message loop.
#include "form_window.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <exception>
#include <utility>

#include "blocking_call.h"

namespace zarvo::window::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"ZarvoForm1";
constexpr WORD kFirstControlId = 1000;  // clear of IDOK and IDCANCEL, which the dialog keys send
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kShowErrors = WM_APP + 1;
// The program's icon in Zarvo.rc: the window's, the taskbar's and the one Explorer shows.
constexpr WORD kProgramIcon = 1;

// The box's inner margins, each side: narrow, as the small boxes need every pixel.
constexpr int kBoxInnerMarginTwips = 30;

std::wstring messageText(const Message &message) {
    std::wstring text = wide(message.summary);
    if (!message.detail.empty()) {
        text += L"\n\n" + wide(message.detail);
    }
    return text;
}

// Whether the window handles the focus events of the control: it then needs the edit control's
// focus messages (rangeBoxProc).
bool handlesFocus(Control control) {
    return Form1::handles({control, Event::GotFocus}) || Form1::handles({control, Event::Validate});
}

// The Z order is the tab order: the controls that take the focus come first, by tab index; then
// the labels, then the frames, inner ones first, so that each frame lies under what it holds.
// Every control clips its siblings, so where two overlap the upper one is drawn: a box over the
// label that heads it, and a label over the one to its left ("Porta:" over the long
// "Relógio da Impressora:").
int zRank(const ControlRow &row) {
    if (takesFocus(row)) {
        return 0;
    }
    if (row.kind == ControlKind::Label) {
        return 1;
    }
    return row.container == Control::Window ? 3 : 2;
}

// The caption of a control, or the whole text of a box.
std::wstring windowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

FormWindow::FormWindow(HINSTANCE instance) : instance_(instance) {}

FormWindow::~FormWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

bool FormWindow::create(int showCommand) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &FormWindow::windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(kProgramIcon));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }

    // Its size and its controls' places follow from the DPI of the monitor it opens on (layOut).
    window_ = CreateWindowExW(0, kWindowClass, wide(kFormCaption).c_str(), kWindowStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, instance_, this);
    if (window_ == nullptr) {
        return false;
    }

    // A group starts at the first control and at each option pair, and ends with the pair: the
    // arrow keys move within a pair only.
    std::vector<const ControlRow *> order;
    for (const ControlRow &row : kForm) {
        order.push_back(&row);
    }
    std::stable_sort(order.begin(), order.end(), [](const ControlRow *a, const ControlRow *b) {
        if (zRank(*a) != zRank(*b)) {
            return zRank(*a) < zRank(*b);
        }
        if (a->kind == ControlKind::Label) {
            return a->left > b->left;
        }
        return takesFocus(*a) && a->tabIndex < b->tabIndex;
    });
    const ControlRow *previous = nullptr;  // the control before, in the tab order
    for (const ControlRow *row : order) {
        const bool startsGroup =
            takesFocus(*row) &&
            (previous == nullptr || hasFact(*row, kStartsGroup) ||
             (previous->kind == ControlKind::Option && row->kind != ControlKind::Option));
        if (!createControl(*row, startsGroup)) {
            return false;
        }
        previous = takesFocus(*row) ? row : previous;
    }
    updateOptionTabStops();
    layOut(dpiOf(window_));
    form_ = std::make_unique<Form1>(*this);

    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(handleOf(Control::Command1));
    return true;
}

POINT FormWindow::origin(Control container, int dpi) const {
    POINT point{0, 0};
    for (Control frame = container; frame != Control::Window; frame = rowOf(frame).container) {
        point.x += pixels(rowOf(frame).left, dpi);
        point.y += pixels(rowOf(frame).top, dpi);
    }
    return point;
}

// The window's inside and every control at the form's twips on a display of @p dpi, in fonts
// made for it; a text too wide for its control takes a smaller one, as at any DPI. At 96 dpi
// these are the form's own pixels.
void FormWindow::layOut(int dpi) {
    // The new fonts are in every control before the old ones are deleted.
    std::unique_ptr<Fonts> previous = std::exchange(fonts_, std::make_unique<Fonts>(dpi));
    setClientSize(window_, pixels(kClientWidthTwips, dpi), pixels(kClientHeightTwips, dpi));
    for (const Child &c : controls_) {
        const ControlRow &row = *c.row;
        const POINT at = origin(row.container, dpi);
        MoveWindow(c.hwnd, at.x + pixels(row.left, dpi), at.y + pixels(row.top, dpi),
                   pixels(row.width, dpi), pixels(row.height, dpi), FALSE);
        setFont(c, windowText(c.hwnd));
    }
    // The controls were moved without painting: all are painted anew at once.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The window's font for @p control, or for a control with kShrinksToFit the one in which @p text
// fits it: the controls keep the form's geometry, and a text too wide is neither cut nor wrapped
// out of sight.
void FormWindow::setFont(const Child &control, const std::wstring &text) {
    const ControlRow &row = *control.row;
    const int dpi = fonts_->dpi();
    HFONT font = hasFact(row, kShrinksToFit)
                     ? fonts_->toFit(control.hwnd, text, pixels(textRoomTwips(row), dpi))
                     : fonts_->regular();
    SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (row.kind == ControlKind::TextBox) {
        // The edit control takes its margins from each new font: they are set again after it.
        const auto margin = static_cast<WORD>(pixels(kBoxInnerMarginTwips, dpi));
        SendMessageW(control.hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                     MAKELPARAM(margin, margin));
    }
}

bool FormWindow::createControl(const ControlRow &row, bool startsGroup) {
    const wchar_t *windowClass = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    switch (row.kind) {
        case ControlKind::Button:
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case ControlKind::TextBox:
            windowClass = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Label:
            windowClass = L"STATIC";
            style |= SS_LEFT | SS_NOTIFY;
            break;
        case ControlKind::Frame:
            style |= BS_GROUPBOX;
            break;
        case ControlKind::Option:
            style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
            break;
    }
    if (startsGroup) {
        style |= WS_GROUP;
    }

    const auto id = static_cast<WORD>(kFirstControlId + idOf(row.id));
    HWND hwnd =
        CreateWindowExW(exStyle, windowClass, wide(row.text).c_str(), style, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
    if (hwnd == nullptr) {
        return false;
    }
    if (row.kind == ControlKind::Option && hasFact(row, kSelected)) {
        SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    }
    // A box with focus handlers raises GotFocus and Validate, which the edit control does not
    // tell its parent in the form they need (Validate only for a move to another control of the
    // window).
    if (handlesFocus(row.id)) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          SetWindowLongPtrW(hwnd, GWLP_WNDPROC,
                                            reinterpret_cast<LONG_PTR>(&FormWindow::rangeBoxProc)));
    }
    controls_[idOf(row.id)] = {&row, hwnd, RGB(0, 0, 0), hasFact(row, kOwnColor)};
    return true;
}

// The Tab key stops at the selected button of each option pair only; the arrow keys move within
// the pair.
void FormWindow::updateOptionTabStops() {
    for (Child &option : controls_) {
        if (option.row == nullptr || option.row->kind != ControlKind::Option) {
            continue;
        }
        const LONG_PTR style = GetWindowLongPtrW(option.hwnd, GWL_STYLE);
        const bool selected = SendMessageW(option.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SetWindowLongPtrW(option.hwnd, GWL_STYLE,
                          selected ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP}));
    }
}

int FormWindow::run() {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            return 1;
        }
        if (notice_.takeDialogKey(message) || choice_.takeDialogKey(message) ||
            (window_ != nullptr && IsDialogMessageW(window_, &message))) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// Each control's id is its place in the table (createControl): every color message and every
// message to a range box finds its control at once.
FormWindow::Child *FormWindow::find(HWND hwnd) {
    const int index = hwnd != nullptr ? GetDlgCtrlID(hwnd) - kFirstControlId : -1;
    if (index < 0 || index >= static_cast<int>(controls_.size()) ||
        controls_[static_cast<std::size_t>(index)].hwnd != hwnd) {
        return nullptr;
    }
    return &controls_[static_cast<std::size_t>(index)];
}

Text FormWindow::text(Box which) const {
    const std::wstring text = windowText(box(which));
    return Text(text.begin(), text.end());
}

// The edit control's limit bounds typing only: a text set here is never cut.
void FormWindow::setText(Box which, const Text &text) {
    const Child &c = controls_[idOf(controlOf(which))];
    const std::wstring value = wide(text);
    // The short fields' words ("Não Efetuada", "Obrigatória", "com 1") are wider than their
    // boxes at the window's font: such a box takes a smaller font for such a text, so that the
    // operator reads it whole.
    if (hasFact(*c.row, kShrinksToFit)) {
        setFont(c, value);
    }
    SetWindowTextW(c.hwnd, value.c_str());
}

void FormWindow::repaint(Box which) {
    RedrawWindow(box(which), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void FormWindow::setForeColor(Box which, std::uint32_t color) {
    Child &c = controls_[idOf(controlOf(which))];
    c.foreColor = static_cast<COLORREF>(color & 0xFFFFFF);  // a COLORREF has red low too
    c.ownColor = true;
    InvalidateRect(c.hwnd, nullptr, TRUE);
}

void FormWindow::setMaxLength(Box which, int characters) {
    SendMessageW(box(which), EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(characters, 0)), 0);
}

bool FormWindow::isSelected(Option option) const {
    return SendMessageW(handleOf(controlOf(option)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FormWindow::select(Option option) {
    const Child &chosen = controls_[idOf(controlOf(option))];
    for (Child &c : controls_) {
        if (c.row->kind == ControlKind::Option && c.row->container == chosen.row->container) {
            SendMessageW(c.hwnd, BM_SETCHECK, &c == &chosen ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    updateOptionTabStops();
}

// The message box is modal and would hold the caller in its loop; it opens once the handler has
// returned, and keeps the window from input until the operator closes it.
void FormWindow::showError(const Message &message) {
    pendingErrors_.push_back(messageText(message));
    PostMessageW(window_, kShowErrors, 0, 0);
}

void FormWindow::showPendingErrors() {
    if (showingError_) {
        return;
    }
    showingError_ = true;
    while (!pendingErrors_.empty() && window_ != nullptr) {
        const std::wstring text = pendingErrors_.front();
        pendingErrors_.erase(pendingErrors_.begin());
        MessageBoxW(window_, text.c_str(), wide(kFormCaption).c_str(), MB_OK | MB_ICONERROR);
    }
    showingError_ = false;
}

void FormWindow::showNotice(const Message &message) {
    notice_.show(window_, instance_, messageText(message));
}

void FormWindow::offerChoice(const Message &message, const std::vector<Text> &items,
                             const Text &confirm, std::function<void(std::size_t)> chosen) {
    std::vector<std::wstring> lines;
    for (const Text &item : items) {
        lines.push_back(wide(item));
    }
    choice_.show(window_, instance_, messageText(message), lines, wide(confirm), std::move(chosen));
}

void FormWindow::closeWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

std::int32_t FormWindow::runBlocking(const std::function<std::int32_t()> &call) {
    return window_ != nullptr ? runBlockingCall(call) : call();
}

void FormWindow::handle(Handler handler) {
    if (form_ != nullptr) {
        const BusySpell spell;  // for the handler's calls, and those queued behind it
        form_->handle(handler);
    }
}

void FormWindow::onCommand(WORD id, WORD code, HWND from) {
    if (busy()) {
        return;  // a click that reached a control in a busy spell is dropped like input
    }
    if (id == IDOK) {
        // Enter presses the focused button, as the space bar does; on another control, nothing.
        Child *focused = find(GetFocus());
        if (focused != nullptr && focused->row->kind == ControlKind::Button) {
            SendMessageW(focused->hwnd, BM_CLICK, 0, 0);
        }
        return;
    }
    Child *c = find(from);
    if (c == nullptr) {
        return;
    }
    if ((c->row->kind == ControlKind::Button || c->row->kind == ControlKind::Option) &&
        code == BN_CLICKED) {
        if (c->row->kind == ControlKind::Option) {
            updateOptionTabStops();
        }
        if (Form1::handles({c->row->id, Event::Click})) {
            handle({c->row->id, Event::Click});
        }
    } else if (c->row->kind == ControlKind::Label && code == STN_CLICKED) {
        // An option button is only as large as its circle; the label that names it selects it
        // as a click on the circle would.
        if (c->row->names != Control::Window && rowOf(c->row->names).kind == ControlKind::Option) {
            SendMessageW(handleOf(c->row->names), BM_CLICK, 0, 0);
        }
    }
}

LRESULT FormWindow::onMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
            return 0;
        case WM_CTLCOLOREDIT: {
            Child *c = find(reinterpret_cast<HWND>(lparam));
            if (c != nullptr && c->ownColor) {
                auto dc = reinterpret_cast<HDC>(wparam);
                SetTextColor(dc, c->foreColor);
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        }
        case WM_SETCURSOR:
            if (busy()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_ACTIVATE:
            // The window is no dialog: it keeps the focused control itself across activations.
            if (LOWORD(wparam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(window_, focus)) {
                    lastFocus_ = focus;
                }
            }
            return 0;
        case WM_SETFOCUS:
            if (lastFocus_ != nullptr && IsWindow(lastFocus_)) {
                SetFocus(lastFocus_);
            }
            return 0;
        case kShowErrors:
            showPendingErrors();
            return 0;
        case WM_DPICHANGED: {
            // Moved to a monitor of another DPI: the window goes where Windows suggests, and its
            // size follows from the form at the new DPI (the same across and down).
            const auto *suggested = reinterpret_cast<const RECT *>(lparam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            layOut(HIWORD(wparam));
            return 0;
        }
        case WM_CLOSE:
            // While a handler runs the logic remembers the request and calls closeWindow later.
            if (form_ == nullptr || form_->mayClose()) {
                DestroyWindow(window_);
            }
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
}

LRESULT CALLBACK FormWindow::windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto *self = windowOwner<FormWindow>(hwnd, message, lparam);
    if (message == WM_NCCREATE) {
        self->window_ = hwnd;
    }
    if (self == nullptr || self->window_ != hwnd) {
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    return self->onMessage(message, wparam, lparam);
}

LRESULT CALLBACK FormWindow::rangeBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto *editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    HWND parent = GetParent(hwnd);
    auto *self = reinterpret_cast<FormWindow *>(GetWindowLongPtrW(parent, GWLP_USERDATA));
    Child *box = self != nullptr ? self->find(hwnd) : nullptr;
    if (box == nullptr) {
        return CallWindowProcW(editProc, hwnd, message, wparam, lparam);
    }
    const Control control = box->row->id;
    if (message == WM_KILLFOCUS) {
        // Validate runs before the other control gets the focus, and only for a move within
        // this window: not when another window (a message box, another program) takes it.
        HWND next = reinterpret_cast<HWND>(wparam);
        if (next != nullptr && IsChild(self->window_, next)) {
            self->handle({control, Event::Validate});
        }
        return CallWindowProcW(editProc, hwnd, message, wparam, lparam);
    }
    if (message == WM_SETFOCUS) {
        const LRESULT result = CallWindowProcW(editProc, hwnd, message, wparam, lparam);
        self->handle({control, Event::GotFocus});
        return result;
    }
    return CallWindowProcW(editProc, hwnd, message, wparam, lparam);
}

}  // namespace zarvo::window::win32
