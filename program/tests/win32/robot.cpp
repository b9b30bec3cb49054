// SPDX-License-Identifier: MIT
// zarvo-robot: uses Zarvo.exe the way a person does. It starts the program, finds its window by
// class and the controls by class and place, checks the form, clicks, moves the focus, types,
// and reads the boxes back.
//   zarvo-robot CASE ZARVO.EXE WORKDIR [FILE...]
//   zarvo-robot form ZARVO.EXE WORKDIR DPI
//   zarvo-robot shortcut LINK.lnk DOCUMENTS\Zarvo INSTALLED\Zarvo.exe
// Cases: form (checkForm at the display's DPI, which must be DPI; at 96 dpi then useForm and
// nolib: Zarvo.exe alone in a folder), session, offer, shortcut (see the functions of the same
// names).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "../tab_order.h"
#include "form_table.h"
#include "text.h"

namespace window = zarvo::window;

namespace {

int g_failures = 0;
// The program under test, ended by fatal(): left running, it would hold the test's output open.
HANDLE g_program = nullptr;

void check(bool ok, const std::wstring &what) {
    if (!ok) {
        ++g_failures;
        std::fwprintf(stderr, L"FAIL: %ls\n", what.c_str());
    }
}

[[noreturn]] void fatal(const std::wstring &what) {
    std::fwprintf(stderr, L"FATAL: %ls\n", what.c_str());
    if (g_program != nullptr) {
        TerminateProcess(g_program, 3);
    }
    std::exit(2);
}

template <typename Text>
std::wstring wide(const Text &text) {
    return std::wstring(std::begin(text), std::end(text));
}

std::wstring textOf(HWND hwnd) {
    wchar_t text[1024] = {};
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        nullptr);
    return text;
}

// Sends and waits until the window has handled the message. Only for what runs no library call:
// the window answers sent messages while a library call runs, but a click into a button that
// makes one would hold the robot until the exchange ends.
LRESULT sendAndWait(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_NORMAL, 60000, &result) == 0) {
        fatal(L"the window did not answer within 60 s");
    }
    return static_cast<LRESULT>(result);
}

// Waits up to @p ms for @p condition, looking every 20 ms: the robot sees the window only through
// its controls, and nothing tells it when a handler has ended.
template <typename Condition>
bool waitFor(Condition condition, DWORD ms = 5000) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!condition()) {
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::string fileBytes(const std::wstring &path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {})
                : "(missing " + std::filesystem::path(path).string() + ")";
}

bool fileExists(const std::wstring &path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The DPI that the display runs at.
int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

using Kind = window::ControlKind;
using window::ControlRow;

struct Found {
    HWND hwnd;
    std::wstring caption;
    Kind kind;
    RECT rect;  // screen coordinates
};

Kind kindOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    const std::wstring cls = name;
    const LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    if (cls != L"Button") {
        return cls == L"Edit" ? Kind::TextBox : Kind::Label;
    }
    return type == BS_GROUPBOX                                    ? Kind::Frame
           : type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON ? Kind::Option
                                                                  : Kind::Button;
}

// Whether @p actual pixels are within two of @p twips at @p dpi.
bool closeTo(long actual, int twips, int dpi) {
    return std::labs(actual - window::pixels(twips, dpi)) <= 2;
}

// The visible top window of class @p cls of process @p pid, owned by @p owner (by any when
// nullptr), waited for up to @p ms; nullptr when none showed.
HWND topWindow(DWORD pid, const wchar_t *cls, HWND owner, DWORD ms) {
    HWND hwnd = nullptr;
    waitFor(
        [&] {
            while ((hwnd = FindWindowExW(nullptr, hwnd, cls, nullptr)) != nullptr) {
                DWORD of = 0;
                GetWindowThreadProcessId(hwnd, &of);
                if (IsWindowVisible(hwnd) && of == pid &&
                    (owner == nullptr || GetWindow(hwnd, GW_OWNER) == owner)) {
                    return true;
                }
            }
            return false;
        },
        ms);
    return hwnd;
}

// Waits up to @p ms for the message box of process @p pid owned by @p owner (by any when
// nullptr), checks that its owner takes no input while it shows, clicks its OK and checks that it
// closes. Gives its text.
std::wstring answerMessageBox(DWORD pid, HWND owner, DWORD ms) {
    HWND box = topWindow(pid, L"#32770", owner, ms), text = nullptr;
    HWND ok = box != nullptr ? FindWindowExW(box, nullptr, L"Button", L"OK") : nullptr;
    std::wstring message;
    while (box != nullptr && (text = FindWindowExW(box, text, L"Static", nullptr)) != nullptr) {
        message += textOf(text);
    }
    check(owner == nullptr || !IsWindowEnabled(owner), L"the window takes no input: " + message);
    check(ok != nullptr && PostMessageW(ok, BM_CLICK, 0, 0), L"a box with OK: " + message);
    check(waitFor([&] { return !IsWindow(box); }), L"OK closes the box");
    return message;
}

PROCESS_INFORMATION start(const std::wstring &exe, const std::wstring &workdir,
                          const std::wstring &arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workdir.c_str(), &startup, &process)) {
        fatal(L"cannot start " + exe + L" in " + workdir);
    }
    g_program = process.hProcess;
    return process;
}

// Waits up to 10 s for the program to end, checks its exit code and lets it go.
void ended(PROCESS_INFORMATION &process, DWORD wanted, const std::wstring &after) {
    check(WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0,
          L"the program ends " + after);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    check(code == wanted, L"exit code " + std::to_wstring(code) + L" " + after);
    TerminateProcess(process.hProcess, 3);
    g_program = nullptr;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = {};
}

struct Program {
    Program(const std::wstring &exe, const std::wstring &workdir,
            const std::wstring &arguments = L"") {
        process = start(exe, workdir, arguments);
        main = topWindow(process.dwProcessId, L"ZarvoForm1", nullptr, 20000);
        thread = GetWindowThreadProcessId(main, nullptr);
        // The window is shown once its controls are made, and the focus is put in it after that.
        if (main == nullptr || !waitFor([&] { return focus() != nullptr; }, 20000)) {
            fatal(L"no window shown with a focused control");
        }
        check(textOf(main) == L"ZARVO", L"the window's title: " + textOf(main));
        collect();
    }

    HWND operator[](const std::string &name) const {
        auto at = named.find(name);
        if (at == named.end()) {
            fatal(L"control not found: " + wide(name));
        }
        return at->second.hwnd;
    }

    std::wstring text(const std::string &name) const { return textOf((*this)[name]); }
    bool checked(const std::string &name) const {
        return sendAndWait((*this)[name], BM_GETCHECK) == BST_CHECKED;
    }
    HWND focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(thread, &info);
        return info.hwndFocus;
    }
    std::string focusName() const {
        for (const auto &[name, found] : named) {
            if (found.hwnd == focus()) {
                return name;
            }
        }
        return "?";
    }

    /// A click on an option button or a button whose handler makes no library call: it returns
    /// when the handler has run.
    void click(const std::string &name) const { sendAndWait((*this)[name], BM_CLICK); }

    /// A click on a button whose handler calls the library: posted, so the robot goes on while
    /// the handler runs; it waits for the outcome in the boxes.
    void press(const std::string &name) const { PostMessageW((*this)[name], BM_CLICK, 0, 0); }

    /// Presses @p button with the answer box emptied, runs @p meanwhile, and waits up to 20 s for
    /// its answer: @p wanted, or when that is empty an accepted reply; an error ends the wait too.
    void answer(
        const std::string &button, const std::wstring &wanted = L"",
        const std::function<void()> &meanwhile = [] {}) const {
        const auto done = [&](const std::wstring &shown) {
            return wanted.empty() ? shown.size() >= 3 && shown[1] == L'+' && shown.back() == L'}'
                                  : shown == wanted;
        };
        sendAndWait((*this)["Text3"], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        press(button);
        meanwhile();
        std::wstring shown;
        waitFor([&] { return done(shown = text("Text3")) || shown.rfind(L"ERRO ", 0) == 0; },
                20000);
        settle();
        check(done(shown), wide(button) + L" shows " + shown);
    }

    /// After a handler's last change to a box only Fecha is left, which takes well under a
    /// millisecond; a click while it runs would be dropped as input.
    void settle() const { Sleep(100); }

    /// Clicks into the label or box @p name (at its middle).
    void clickInto(const std::string &name) const {
        RECT client;
        GetClientRect((*this)[name], &client);
        const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
        sendAndWait((*this)[name], WM_LBUTTONDOWN, MK_LBUTTON, at);
        sendAndWait((*this)[name], WM_LBUTTONUP, 0, at);
    }

    /// Clicks into the box, selects its text and types @p text over it.
    void type(const std::string &name, const std::wstring &text) const {
        clickInto(name);
        sendAndWait((*this)[name], EM_SETSEL, 0, -1);
        for (wchar_t c : text) {
            sendAndWait((*this)[name], WM_CHAR, c, 1);
        }
    }

    /// Presses Tab and waits until the focus has moved and the events it raised have run.
    void pressTab() const {
        HWND from = focus();
        PostMessageW(from, WM_KEYDOWN, VK_TAB, 0x000F0001);
        PostMessageW(from, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001));
        waitFor([&] { return focus() != from; }, 2000);
        sendAndWait(main, WM_NULL);  // handled only once the key has been
    }

    /// Closes the window as its close box does and checks that the program ends well.
    void close() {
        PostMessageW(main, WM_CLOSE, 0, 0);
        ended(process, 0, L"when its window is closed");
    }

    // Finds each control of the table at its place at the display's DPI, within two pixels, among
    // the window's children of its kind; what is not there is missing (checkForm tells which).
    void collect() {
        for (HWND child = GetWindow(main, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            children.push_back({child, textOf(child), kindOf(child), {}});
            GetWindowRect(child, &children.back().rect);
        }
        for (const ControlRow &e : window::kForm) {  // a frame before what it holds
            POINT origin{0, 0};
            if (e.container == window::Control::Window) {
                ClientToScreen(main, &origin);
            } else if (auto frame = named.find(window::rowOf(e.container).name);
                       frame != named.end()) {
                origin = {frame->second.rect.left, frame->second.rect.top};
            } else {
                continue;
            }
            for (const Found &f : children) {
                if (f.kind == e.kind && closeTo(f.rect.left - origin.x, e.left, dpi) &&
                    closeTo(f.rect.top - origin.y, e.top, dpi) &&
                    closeTo(f.rect.right - f.rect.left, e.width, dpi) &&
                    closeTo(f.rect.bottom - f.rect.top, e.height, dpi)) {
                    named[std::string(e.name)] = f;
                }
            }
        }
    }

    int dpi = screenDpi();  // the program's window lays itself out at it
    PROCESS_INFORMATION process{};
    HWND main = nullptr;
    DWORD thread = 0;
    std::vector<Found> children;
    std::map<std::string, Found, std::less<>> named;
};

// The part of @p row's control where its caption is drawn and seen, in pixels at @p dpi from the
// control's top left: a button's inside its 2-pixel edge; a frame's strip above what it holds; a
// label's up to the window's or its frame's edge and to the controls drawn over it, the box under
// it and the label or box that follows it in its line ("Porta:" after "Relógio da Impressora:",
// the box Ini after "Início:").
RECT captionRoom(const ControlRow &row, int dpi) {
    if (row.kind == Kind::Button) {
        return {2, 2, window::pixels(row.width, dpi) - 2, window::pixels(row.height, dpi) - 2};
    }
    const bool inWindow = row.container == window::Control::Window;
    int right = std::min(
        row.width,
        (inWindow ? window::kClientWidthTwips : window::rowOf(row.container).width) - row.left);
    int bottom = row.height;
    for (const ControlRow &other : window::kForm) {
        const bool overlaps = other.left < row.left + right &&
                              row.left < other.left + other.width && other.top < row.top + bottom &&
                              row.top < other.top + other.height;
        if (row.kind == Kind::Frame && other.container == row.id) {
            bottom = std::min(bottom, other.top);
        } else if (row.kind == Kind::Label && &other != &row && other.container == row.container &&
                   overlaps) {
            if (other.top > row.top) {
                bottom = std::min(bottom, other.top - row.top);
            } else if (other.left > row.left) {
                right = std::min(right, other.left - row.left);
            }
        }
    }
    return {0, 0, window::pixels(right, dpi), window::pixels(bottom, dpi)};
}

// Whether the screen's pixel @p color (0x00RRGGBB) is ink: the controls' text is black on the
// light button face, and their edges and lines are lighter than this.
bool isInk(std::uint32_t color) {
    return ((color >> 16) & 0xFF) < 96 && ((color >> 8) & 0xFF) < 96 && (color & 0xFF) < 96;
}

// The caption of @p row drawn whole in its control @p found, as the screen shows it: some ink in
// its room, and none on the room's last column or row (nor, in a button or a frame, where the text
// is centred or set in, on its first column), where a text too wide or too high would be cut.
void checkCaptionWhole(const ControlRow &row, const Found &found, int dpi) {
    const RECT room = captionRoom(row, dpi);
    const int width = room.right - room.left, height = room.bottom - room.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, found.rect.left + room.left,
           found.rect.top + room.top, SRCCOPY);
    GdiFlush();
    const auto *pixel = static_cast<const std::uint32_t *>(bits);
    int ink = 0, cut = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (isInk(pixel[y * width + x])) {
                ++ink;
                const bool firstColumn = x == 0 && row.kind != Kind::Label;
                cut += x == width - 1 || y == height - 1 || firstColumn ? 1 : 0;
            }
        }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    check(ink > 0 && cut == 0,
          L"\"" + found.caption + L"\" drawn whole in its " + std::to_wstring(width) + L" x " +
              std::to_wstring(height) + L" pixels at " + std::to_wstring(dpi) + L" dpi: " +
              std::to_wstring(ink) + L" of ink, " + std::to_wstring(cut) + L" on its edge");
}

// The form as it opens at the display's DPI: the window's inside and each control of the table,
// and no other, at its twips at that DPI with its caption or text, drawn whole, visible and
// enabled, and the option states.
void checkForm(Program &program) {
    const int dpi = program.dpi;
    RECT client;
    GetClientRect(program.main, &client);
    check(client.right == window::pixels(window::kClientWidthTwips, dpi) &&
              client.bottom == window::pixels(window::kClientHeightTwips, dpi),
          L"client area 5520 x 6780 twips at " + std::to_wstring(dpi) + L" dpi: " +
              std::to_wstring(client.right) + L" x " + std::to_wstring(client.bottom));
    sendAndWait(program.main, WM_NULL);
    Sleep(300);  // the controls painted, as a person sees them
    check(program.children.size() == window::kForm.size(),
          std::to_wstring(window::kForm.size()) + L" controls, as the table has: " +
              std::to_wstring(program.children.size()));
    for (const ControlRow &e : window::kForm) {
        const std::string name(e.name);
        const auto at = program.named.find(name);
        if (at == program.named.end()) {
            check(false, L"a control at the place of " + wide(name) + L" (" + wide(e.text) + L")");
            continue;
        }
        const Found &f = at->second;
        const bool selected = e.kind == Kind::Option && program.checked(name);
        check(f.caption == wide(e.text) && IsWindowVisible(f.hwnd) && IsWindowEnabled(f.hwnd) &&
                  selected == ((e.facts & window::kSelected) != 0),
              wide(name) + L" visible, enabled, " + (selected ? L"selected" : L"not selected") +
                  L", reads \"" + f.caption + L"\"");
        if (!f.caption.empty() && e.kind != Kind::TextBox) {
            checkCaptionWhole(e, f, dpi);
        }
    }
}

// The form in use, as it opened: the focus, the Tab key, the option pairs and the boxes' events.
void useForm(Program &program) {
    // The Tab key follows the tab order from Testar Impressora, stops at the selected option of
    // each pair only, and goes round. The windows' order holds the tab order (the dialog keys
    // follow it) and each pair's group (the option clicks below would leak out of a wrong one).
    std::vector<std::string> expected, visited{program.focusName()};
    for (const std::string &name : tabOrder()) {
        if (name != "Pordata" && name != "NoArq") {
            expected.push_back(name);
        }
    }
    expected.push_back("Command1");
    std::wstring seen = wide(visited.back());
    while (visited.size() < expected.size()) {
        program.pressTab();
        visited.push_back(program.focusName());
        seen += L" " + wide(visited.back());
    }
    check(visited == expected, L"Tab visits the tab order from Command1; it went " + seen);

    // The option pairs exclude within their frame only; the label beside an option selects it.
    program.clickInto("Label10");  // "Data"
    check(program.checked("Pordata") && !program.checked("Porredu"), L"a click on Data selects it");
    check(program.checked("NaImp"), L"the other frame's pair is untouched");
    program.click("NoArq");
    check(program.checked("NoArq") && !program.checked("NaImp") && program.checked("Pordata"),
          L"Arquivo selected, Data still selected");

    // The Tab key from Ini raises Ini_Validate, which rewrites the box; Fim takes 4 characters.
    program.click("Porredu");
    program.type("Ini", L"7");
    program.pressTab();
    check(program.focus() == program["Fim"], L"Tab from Ini goes to Fim");
    check(program.text("Ini") == L"0007", L"leaving Ini with 7 gives 0007: " + program.text("Ini"));
    program.type("Fim", L"123456");
    check(program.text("Fim") == L"1234", L"Fim takes 4 typed characters: " + program.text("Fim"));
}

// The first printer test of the program against the simulator started with --clock 0102031234
// --reduction F --first-x --coo 123 --ccf 45: every box filled.
void printerTest(Program &program) {
    program.press("Command1");
    // The paper state is the last box filled.
    check(waitFor([&] { return !program.text("PAPEL").empty(); }, 20000),
          L"the printer test ends within 20 s");
    program.settle();
    const std::pair<const char *, const wchar_t *> boxes[] = {
        {"Text1", L"com 1"},         {"Text2", L"Horario Normal 01/02/03 12:34"},
        {"COO", L"000123"},          {"CCF", L"000045"},
        {"Reducao", L"Obrigatória"}, {"LEITX", L"Efetuada"},
        {"PAPEL", L"Com Papel"}};
    for (const auto &[box, text] : boxes) {
        check(program.text(box) == text, wide(std::string(box)) + L": " + program.text(box));
    }
}

// A whole session: the printer test, the X reading, summer time in, and out while the printer's
// reply to it lacks its end, readings by reduction and by date to LeitM.txt, a printed reading.
// Files: the expected LeitM.txt of the reading by reduction 0001-0003 and of the reading by date
// 01/01/00-30/12/10; optionally a flag file to pause on for a screenshot, while it exists.
void session(Program &program, const std::wstring &workdir,
             const std::vector<std::wstring> &files) {
    printerTest(program);
    if (files.size() > 2) {
        CloseHandle(
            CreateFileW(files[2].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        waitFor([&] { return !fileExists(files[2]); }, 30000);
    }
    program.answer("Command4");  // Leitura X
    program.answer("Command2");  // Entrar

    // Sair's reply comes without its end: for the 3 seconds until ERRO 99 the window shows its
    // progress text, answers, and drops a click on another button, by the button's own message
    // and by the mouse.
    program.answer("Command3", L"ERRO 99", [&] {
        check(waitFor([&] { return program.text("Text3") == L"Sair do Horário de Verão"; }),
              L"the progress text shows during the wait: " + program.text("Text3"));
        program.press("Command4");
        PostMessageW(program["Command4"], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(program["Command4"], WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    });
    // "Leitura X" would show its progress text at once had a click been kept for later.
    Sleep(500);
    check(program.text("Text3") == L"ERRO 99",
          L"the clicks made during the wait ran nothing: " + program.text("Text3"));

    const std::wstring reading = workdir + L"\\LeitM.txt";
    program.click("NoArq");
    program.type("Ini", L"1");
    program.type("Fim", L"3");
    // Fim_Validate runs first: the box reads 0003 when the command is made.
    program.answer("LMF", L"Arquivo LeitM.txt gravado");
    check(program.text("Fim") == L"0003", L"Fim rewritten before Executa: " + program.text("Fim"));
    check(fileBytes(reading) == fileBytes(files.at(0)), L"LeitM.txt holds the reading 0001-0003");

    program.click("Pordata");
    program.answer("LMF", L"Arquivo LeitM.txt gravado");
    check(fileBytes(reading) == fileBytes(files.at(1)), L"LeitM.txt holds the reading by date");

    program.click("NaImp");
    program.click("Porredu");
    program.answer("LMF");  // the printed reading
}

// No Zarvo.dll beside the program: each action that calls the library says so in a message box
// (the second once the first has closed), and the window stays.
void nolib(Program &program) {
    for (const char *button : {"Command4", "Command1"}) {
        program.press(button);
        const std::wstring message =
            answerMessageBox(program.process.dwProcessId, program.main, 5000);
        check(message.find(L"Zarvo.dll") != std::wstring::npos,
              L"the box after " + wide(std::string(button)) + L" names Zarvo.dll: " + message);
        check(WaitForSingleObject(program.process.hProcess, 0) == WAIT_TIMEOUT &&
                  IsWindow(program.main),
              L"the program stays");
        waitFor([&] { return IsWindowEnabled(program.main) != FALSE; });
    }
}

// The printer on COM3, which is no port number yet (robot.sh removes the prefix's ports file
// before and after): the printer test fails, the window offers the serial ports Wine shows but
// ports 1 and 2, just tried, among them the USB adapters robot.sh planted, each by the line
// zarvo-ports gave it (one a line of the UTF-8 file @p adapters); the robot chooses COM3, which
// the ports file then makes port 1, and the next printer test finds the printer there.
void offer(Program &program, const std::wstring &adapters) {
    program.press("Command1");
    HWND choice = topWindow(program.process.dwProcessId, L"ZarvoChoice", nullptr, 20000);
    if (choice == nullptr) {
        fatal(L"no choice offered after the failed printer test: " + program.text("Text2"));
    }
    check(!IsWindowEnabled(program.main), L"the window takes no input while the choice shows");
    HWND list = GetDlgItem(choice, 100);
    LRESULT com3 = LB_ERR;
    std::wstring items;  // "COM3 — porta serial do computador (hoje a porta 3); ..."
    for (LRESULT i = 0, count = sendAndWait(list, LB_GETCOUNT); i < count; ++i) {
        wchar_t item[512] = {};
        sendAndWait(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        items += item + std::wstring(L"; ");
        com3 = std::wstring(item).rfind(L"COM3 ", 0) == 0 ? i : com3;
    }
    check(items.find(L"COM1 ") == std::wstring::npos && items.find(L"COM2 ") == std::wstring::npos,
          L"ports 1 and 2, just tried, are not offered: " + items);
    std::ifstream lines{std::filesystem::path(adapters)};
    int planted = 0;
    for (std::string line; std::getline(lines, line); ++planted) {
        const std::wstring item = wide(window::fromUtf8(line));
        // The line itself may not print on a console without its characters: its number does.
        check(
            items.find(item + L"; ") != std::wstring::npos,
            L"offered as zarvo-ports lists it: adapters.txt, line " + std::to_wstring(planted + 1));
    }
    check(planted == 5, L"zarvo-ports listed the five adapters: " + std::to_wstring(planted));
    if (com3 == LB_ERR) {
        fatal(L"COM3 is not among the offered ports: " + items);
    }
    sendAndWait(list, LB_SETCURSEL, static_cast<WPARAM>(com3));
    PostMessageW(GetDlgItem(choice, IDOK), BM_CLICK, 0, 0);
    check(waitFor([&] { return !IsWindow(choice); }), L"the choice closes");
    wchar_t appdata[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", appdata, MAX_PATH);
    const std::wstring portsFile = std::wstring(appdata) + L"\\zarvo\\ports";
    check(waitFor([&] { return fileBytes(portsFile).find("\n1 = COM3\n") != std::string::npos; }),
          L"the ports file makes COM3 port 1: " + wide(fileBytes(portsFile)));
    waitFor([&] { return IsWindowEnabled(program.main) != FALSE; });
    printerTest(program);
}

// The installed program as its Start-menu shortcut starts it, against a willing printer. The
// shortcut names the installed Zarvo.exe and the working folder Documents\Zarvo, which the setup
// made. The program makes that folder itself when it is missing, says so when it cannot, and
// writes RespApf.txt there whatever folder it was started in.
void shortcut(const std::wstring &link, const std::wstring &documents,
              const std::wstring &installed) {
    // What the shell reads from the .lnk when a person opens it: program, arguments, folder.
    IShellLinkW *shell = nullptr;
    IPersistFile *file = nullptr;
    if (FAILED(CoInitialize(nullptr)) ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void **>(&shell))) ||
        FAILED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) ||
        FAILED(file->Load(link.c_str(), STGM_READ))) {
        fatal(L"cannot read the shortcut " + link);
    }
    wchar_t target[1024] = {}, arguments[1024] = {}, folder[1024] = {}, icon[1024] = {};
    int iconIndex = -1;
    shell->GetPath(target, 1024, nullptr, SLGP_RAWPATH);
    shell->GetArguments(arguments, 1024);
    shell->GetWorkingDirectory(folder, 1024);
    shell->GetIconLocation(icon, 1024, &iconIndex);
    file->Release();
    shell->Release();
    const auto samePath = [](const std::wstring &a, const std::wstring &b) {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
    };
    check(samePath(target, installed), L"the shortcut starts " + std::wstring(target));
    check(samePath(folder, documents), L"the shortcut works in " + std::wstring(folder));
    // The shortcut shows the program's own icon, the first in Zarvo.exe.
    check(samePath(icon, installed) && iconIndex == 0 &&
              ExtractIconExW(installed.c_str(), -1, nullptr, nullptr, 0) >= 1,
          L"the shortcut shows the icon of " + std::wstring(icon) + L", number " +
              std::to_wstring(iconIndex) + L", one of " +
              std::to_wstring(ExtractIconExW(installed.c_str(), -1, nullptr, nullptr, 0)));
    const std::wstring programFolder = installed.substr(0, installed.find_last_of(L'\\'));
    const std::wstring reply = documents + L"\\RespApf.txt";

    // Started from the program's folder where the documents' Zarvo is a file: a message box
    // names the folder, and OK ends the program with code 1.
    check(RemoveDirectoryW(documents.c_str()) != 0, L"the setup made an empty " + documents);
    CloseHandle(CreateFileW(documents.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    PROCESS_INFORMATION refused = start(target, programFolder, arguments);
    const std::wstring message = answerMessageBox(refused.dwProcessId, nullptr, 20000);
    check(message.find(L"Não foi possível usar a pasta de trabalho " + documents + L".") !=
              std::wstring::npos,
          L"a message box naming the folder: " + message);
    ended(refused, 1, L"after the message");
    DeleteFileW(documents.c_str());

    // From the program's folder with the documents' Zarvo missing, then as the shortcut starts it.
    for (const std::wstring &startIn : {programFolder, std::wstring(folder)}) {
        DeleteFileW(reply.c_str());
        Program program(target, startIn, arguments);
        printerTest(program);
        program.close();
        check(fileExists(reply), L"started in " + startIn + L", the program wrote " + reply);
    }
    check(!fileExists(programFolder + L"\\RespApf.txt"), L"nothing written beside the program");
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: zarvo-robot CASE ZARVO.EXE WORKDIR [FILE...]\n");
        return 2;
    }
    const std::wstring which = argv[1];
    const std::vector<std::wstring> files(argv + 4, argv + argc);
    if (which == L"shortcut") {
        shortcut(argv[2], argv[3], files.at(0));
    } else {
        const int dpi = which == L"form" ? std::stoi(files.at(0)) : window::kFormDpi;
        if (which == L"form" && screenDpi() != dpi) {
            fatal(L"the display runs at " + std::to_wstring(screenDpi()) + L" dpi, not " +
                  std::to_wstring(dpi));
        }
        Program program(argv[2], argv[3]);
        if (which == L"form") {
            checkForm(program);
            if (dpi == window::kFormDpi) {  // what the DPI does not change is used once
                useForm(program);
                nolib(program);
            }
        } else if (which == L"session") {
            session(program, argv[3], files);
        } else if (which == L"offer") {
            offer(program, files.at(0));
        } else {
            fatal(L"unknown case " + which);
        }
        program.close();
    }
    std::fwprintf(stderr, L"%ls: %d failure(s)\n", which.c_str(), g_failures);
    return g_failures == 0 ? 0 : 1;
}
