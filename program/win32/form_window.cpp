// SPDX-License-Identifier: MIT
// The form's window: its controls in tab order, their events, focus, colours and the message loop.
#include "form_window.h"
#include "window_owner.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <exception>

namespace zarvo::window::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"ZarvoForm1";
constexpr wchar_t kTitle[] = L"ZARVO";
constexpr WORD kFirstControlId = 1000;  // clear of IDOK and IDCANCEL, which the dialog keys send
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kShowErrors = WM_APP + 1;

using zarvo::window::Control;
using zarvo::window::ControlKind;
using zarvo::window::ControlRow;
using zarvo::window::Event;
using zarvo::window::Handler;

std::wstring wide(const zarvo::window::Text &text) {
    return std::wstring(text.begin(), text.end());
}

std::wstring messageText(const zarvo::window::Message &message) {
    std::wstring text = wide(message.summary);
    if (!message.detail.empty()) {
        text += L"\n\n" + wide(message.detail);
    }
    return text;
}

using zarvo::window::hasFact;
using zarvo::window::pixels;
using zarvo::window::takesFocus;

// Whether the window handles the focus events of the control: it then needs the edit control's
// focus messages (rangeBoxProc).
bool handlesFocus(Control control) {
    return zarvo::window::Form1::handles({control, Event::GotFocus}) ||
           zarvo::window::Form1::handles({control, Event::Validate});
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

bool isUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

}  // namespace

FormWindow::FormWindow(HINSTANCE instance) : instance_(instance) {}

FormWindow::~FormWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    for (const auto &[height, font] : fittedFonts_) {
        DeleteObject(font);
    }
}

bool FormWindow::create(int showCommand) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &FormWindow::windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }

    RECT frame{0, 0, pixels(zarvo::window::kClientWidthTwips),
               pixels(zarvo::window::kClientHeightTwips)};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    window_ = CreateWindowExW(0, kWindowClass, kTitle, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance_, this);
    if (window_ == nullptr) {
        return false;
    }
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    // A group starts at the first control and at each option pair, and ends with the pair: the
    // arrow keys move within a pair only.
    std::vector<const ControlRow *> order;
    for (const ControlRow &row : zarvo::window::kForm) {
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
            (previous == nullptr || hasFact(*row, zarvo::window::kStartsGroup) ||
             (previous->kind == ControlKind::Option && row->kind != ControlKind::Option));
        if (!createControl(*row, startsGroup)) {
            return false;
        }
        previous = takesFocus(*row) ? row : previous;
    }
    updateOptionTabStops();
    form_ = std::make_unique<zarvo::window::Form1>(*this);

    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(handleOf(Control::Command1));
    return true;
}

POINT FormWindow::origin(Control container) const {
    POINT point{0, 0};
    for (Control frame = container; frame != Control::Window;
         frame = zarvo::window::row(frame).container) {
        point.x += pixels(zarvo::window::row(frame).left);
        point.y += pixels(zarvo::window::row(frame).top);
    }
    return point;
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

    const POINT at = origin(row.container);
    const auto id = static_cast<WORD>(kFirstControlId + zarvo::window::idOf(row.id));
    const std::wstring text(row.text.begin(), row.text.end());
    HWND hwnd =
        CreateWindowExW(exStyle, windowClass, text.c_str(), style, at.x + pixels(row.left),
                        at.y + pixels(row.top), pixels(row.width), pixels(row.height), window_,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
    if (hwnd == nullptr) {
        return false;
    }
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (row.kind == ControlKind::TextBox) {
        // Narrow margins, as the small boxes need every pixel.
        SendMessageW(hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(2, 2));
    }
    if (row.kind == ControlKind::Option && hasFact(row, zarvo::window::kSelected)) {
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
    Child &made = controls_[zarvo::window::idOf(row.id)];
    made = {&row, hwnd, RGB(0, 0, 0), hasFact(row, zarvo::window::kOwnColour)};
    if (hasFact(row, zarvo::window::kShrinksToFit) && !row.text.empty()) {
        fitCaption(made);
    }
    return true;
}

// The controls keep the form's geometry; a caption too wide for its control gets a smaller font
// rather than being cut or wrapped out of sight.
void FormWindow::fitCaption(const Child &control) {
    // A button's bevel and the space on both sides together; a label draws to its edges.
    const int margin = control.row->kind == ControlKind::Button ? 8 : 0;
    const std::wstring caption(control.row->text.begin(), control.row->text.end());
    HFONT font = fontToFit(control.hwnd, caption, pixels(control.row->width) - margin);
    if (font != font_) {
        SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

// The window's font, or the largest smaller one in which @p text fits @p available pixels.
HFONT FormWindow::fontToFit(HWND hwnd, const std::wstring &text, int available) {
    constexpr int kSmallestHeight = 8;
    LOGFONTW shape{};
    GetObjectW(font_, sizeof shape, &shape);
    HDC dc = GetDC(hwnd);
    HFONT font = font_;
    for (;;) {
        HGDIOBJ previous = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, previous);
        const int height = shape.lfHeight < 0 ? -shape.lfHeight : shape.lfHeight;
        if (size.cx <= available || height <= kSmallestHeight) {
            break;
        }
        shape.lfHeight = shape.lfHeight < 0 ? shape.lfHeight + 1 : shape.lfHeight - 1;
        const auto known = fittedFonts_.find(shape.lfHeight);
        if (known != fittedFonts_.end()) {
            font = known->second;
        } else {
            font = CreateFontIndirectW(&shape);
            fittedFonts_.emplace(shape.lfHeight, font);
        }
    }
    ReleaseDC(hwnd, dc);
    return font;
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

// Each control's id is its place in the table (createControl): every colour message and every
// message to a range box finds its control at once.
FormWindow::Child *FormWindow::find(HWND hwnd) {
    const int index = hwnd != nullptr ? GetDlgCtrlID(hwnd) - kFirstControlId : -1;
    if (index < 0 || index >= static_cast<int>(controls_.size()) ||
        controls_[static_cast<std::size_t>(index)].hwnd != hwnd) {
        return nullptr;
    }
    return &controls_[static_cast<std::size_t>(index)];
}

zarvo::window::Text FormWindow::text(zarvo::window::Box which) const {
    HWND hwnd = box(which);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return zarvo::window::Text(text.begin(), text.end());
}

// The edit control's limit bounds typing only: a text set here is never cut.
void FormWindow::setText(zarvo::window::Box which, const zarvo::window::Text &text) {
    HWND hwnd = box(which);
    const std::wstring value = wide(text);
    // The short fields' words ("Não Efetuada", "Obrigatória", "com 1") are wider than their
    // boxes at the window's font: such a box takes a smaller font for such a text, so that the
    // operator reads it whole.
    if (hasFact(zarvo::window::row(zarvo::window::controlOf(which)),
                zarvo::window::kShrinksToFit)) {
        RECT inside{};
        GetClientRect(hwnd, &inside);
        const DWORD margins = static_cast<DWORD>(SendMessageW(hwnd, EM_GETMARGINS, 0, 0));
        // The edit control keeps a few pixels of its own beside the margins.
        const int available = inside.right - LOWORD(margins) - HIWORD(margins) - 4;
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fontToFit(hwnd, value, available)),
                     FALSE);
    }
    SetWindowTextW(hwnd, value.c_str());
}

void FormWindow::repaint(zarvo::window::Box which) {
    RedrawWindow(box(which), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void FormWindow::setForeColor(zarvo::window::Box which, std::uint32_t colour) {
    Child &c = controls_[zarvo::window::idOf(zarvo::window::controlOf(which))];
    c.foreColor = static_cast<COLORREF>(colour & 0xFFFFFF);  // a COLORREF has red low too
    c.ownColor = true;
    InvalidateRect(c.hwnd, nullptr, TRUE);
}

void FormWindow::setMaxLength(zarvo::window::Box which, int characters) {
    SendMessageW(box(which), EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(characters, 0)), 0);
}

bool FormWindow::isSelected(zarvo::window::Option option) const {
    return SendMessageW(handleOf(zarvo::window::controlOf(option)), BM_GETCHECK, 0, 0) ==
           BST_CHECKED;
}

void FormWindow::select(zarvo::window::Option option) {
    const Child &chosen = controls_[zarvo::window::idOf(zarvo::window::controlOf(option))];
    for (Child &c : controls_) {
        if (c.row->kind == ControlKind::Option && c.row->container == chosen.row->container) {
            SendMessageW(c.hwnd, BM_SETCHECK, &c == &chosen ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    updateOptionTabStops();
}

// The message box is modal and would hold the caller in its loop; it opens once the handler has
// returned, and keeps the window from input until the operator closes it.
void FormWindow::showError(const zarvo::window::Message &message) {
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
        MessageBoxW(window_, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
    }
    showingError_ = false;
}

void FormWindow::showNotice(const zarvo::window::Message &message) {
    notice_.show(window_, instance_, font_, messageText(message));
}

void FormWindow::offerChoice(const zarvo::window::Message &message,
                             const std::vector<zarvo::window::Text> &items,
                             const zarvo::window::Text &confirm,
                             std::function<void(std::size_t)> chosen) {
    std::vector<std::wstring> lines;
    for (const zarvo::window::Text &item : items) {
        lines.push_back(wide(item));
    }
    choice_.show(window_, instance_, font_, messageText(message), lines, wide(confirm),
                 std::move(chosen));
}

void FormWindow::closeWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

std::int32_t FormWindow::runBlocking(const std::function<std::int32_t()> &call) {
    if (busy_ || window_ == nullptr) {
        return call();
    }
    if (!worker_.start(call)) {
        return call();  // no thread to be had: the call blocks the window, but it runs
    }
    HANDLE done = worker_.done();
    busy_ = true;
    HCURSOR previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    bool quit = false;
    int quitCode = 0;
    while (MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
           WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            if (isUserInput(message.message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    busy_ = false;
    SetCursor(previousCursor);
    if (quit) {
        PostQuitMessage(quitCode);
    }
    return worker_.result();
}

void FormWindow::raise(zarvo::window::Handler handler) {
    if (form_ != nullptr) {
        form_->handle(handler);
    }
}

void FormWindow::onCommand(WORD id, WORD code, HWND from) {
    if (busy_) {
        return;  // a click that reached a control while a call runs is dropped like input
    }
    if (id == IDOK) {
        // Enter on a focused button presses it, as the space bar does.
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
        if (zarvo::window::Form1::handles({c->row->id, Event::Click})) {
            raise({c->row->id, Event::Click});
        }
    } else if (c->row->kind == ControlKind::Label && code == STN_CLICKED) {
        // An option button is only as large as its circle; the label that names it selects it
        // as a click on the circle would.
        if (c->row->names != Control::Window &&
            zarvo::window::row(c->row->names).kind == ControlKind::Option) {
            SendMessageW(handleOf(c->row->names), BM_CLICK, 0, 0);
        }
    }
}

LRESULT FormWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
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
            if (busy_) {
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
    return self->handle(message, wparam, lparam);
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
            self->raise({control, Event::Validate});
        }
        return CallWindowProcW(editProc, hwnd, message, wparam, lparam);
    }
    if (message == WM_SETFOCUS) {
        const LRESULT result = CallWindowProcW(editProc, hwnd, message, wparam, lparam);
        self->raise({control, Event::GotFocus});
        return result;
    }
    return CallWindowProcW(editProc, hwnd, message, wparam, lparam);
}

}  // namespace zarvo::window::win32
