// SPDX-License-Identifier: MIT
// zarvo-robot: uses Zarvo.exe the way a person does. It starts the program, finds its window by
// title and the controls by class and caption, checks the form, clicks, moves the focus, types,
// and reads the boxes back.
//   zarvo-robot CASE ZARVO.EXE WORKDIR [FILE...]
//   zarvo-robot shortcut LINK.lnk DOCUMENTS\Zarvo INSTALLED\Zarvo.exe
// Cases: form, session, silent, nolib, offer, shortcut (see the functions of the same
// name).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "../tab_order.h"
#include "form_table.h"

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

std::wstring className(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::wstring textOf(HWND hwnd) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, 5000, &got);
    text.resize(got);
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

struct Found {
    HWND hwnd;
    std::wstring cls;
    std::wstring caption;
    LONG style;
    RECT rect;  // screen coordinates
};

// The form as it must appear is the program's own table, read here: the robot checks that the
// window shows it.
using Kind = window::ControlKind;
using window::ControlRow;

// The control's name, or "" for the window itself.
std::string controlName(window::Control control) {
    return control == window::Control::Window ? std::string()
                                              : std::string(window::row(control).name);
}

std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::wstring wide(const std::string &text) {
    return std::wstring(text.begin(), text.end());
}

Kind kindOf(const Found &found) {
    if (found.cls == L"Edit") {
        return Kind::TextBox;
    }
    if (found.cls == L"Static") {
        return Kind::Label;
    }
    switch (found.style & BS_TYPEMASK) {
        case BS_GROUPBOX:
            return Kind::Frame;
        case BS_AUTORADIOBUTTON:
        case BS_RADIOBUTTON:
            return Kind::Option;
        default:
            return Kind::Button;
    }
}

// Whether @p actual pixels are within two of @p twips.
bool closeTo(long actual, int twips) {
    return std::labs(actual - window::pixels(twips)) <= 2;
}

// The visible message box of process @p pid (of any when 0) owned by @p owner (by any when
// nullptr), waited for up to @p ms; its text and OK button.
struct Box {
    HWND hwnd = nullptr;
    std::wstring message;
    HWND ok = nullptr;
};

Box messageBoxOf(DWORD pid, HWND owner, DWORD ms) {
    Box box;
    waitFor(
        [&] {
            while ((box.hwnd = FindWindowExW(nullptr, box.hwnd, L"#32770", nullptr)) != nullptr) {
                DWORD of = 0;
                GetWindowThreadProcessId(box.hwnd, &of);
                if (IsWindowVisible(box.hwnd) && (pid == 0 || of == pid) &&
                    (owner == nullptr || GetWindow(box.hwnd, GW_OWNER) == owner)) {
                    return true;
                }
            }
            return false;
        },
        ms);
    for (HWND child = box.hwnd != nullptr ? GetWindow(box.hwnd, GW_CHILD) : nullptr;
         child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) == L"Static") {
            box.message += textOf(child);
        } else if (className(child) == L"Button" && textOf(child) == L"OK") {
            box.ok = child;
        }
    }
    return box;
}

PROCESS_INFORMATION start(const std::wstring &exe, const std::wstring &workdir,
                          const std::wstring &arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workdir.c_str(), &startup, &process)) {
        fatal(L"cannot start " + exe + L" in " + workdir);
    }
    return process;
}

class Program {
  public:
    Program(const std::wstring &exe, const std::wstring &workdir,
            const std::wstring &arguments = L"") {
        process_ = start(exe, workdir, arguments);
        g_program = process_.hProcess;
        if (!waitFor([&] { return (main_ = findWindow()) != nullptr; }, 20000)) {
            fatal(L"no window titled ZARVO appeared");
        }
        thread_ = GetWindowThreadProcessId(main_, nullptr);
        // The window is shown once its controls are made, and the focus is put in it after that.
        if (!waitFor([&] { return IsWindowVisible(main_) && focus() != nullptr; }, 20000)) {
            fatal(L"the window was not shown with a focused control");
        }
        collect();
    }

    ~Program() {
        g_program = nullptr;
        if (process_.hProcess != nullptr) {
            TerminateProcess(process_.hProcess, 3);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }

    HWND main() const { return main_; }
    HWND operator[](const std::string &name) const {
        auto at = named_.find(name);
        if (at == named_.end()) {
            fatal(L"control not found: " + wide(name));
        }
        return at->second.hwnd;
    }
    const std::vector<Found> &children() const { return children_; }
    const Found &found(const std::string &name) const { return named_.at(name); }
    bool has(const std::string &name) const { return named_.count(name) != 0; }

    std::wstring text(const std::string &name) const { return textOf((*this)[name]); }
    bool checked(const std::string &name) const {
        return sendAndWait((*this)[name], BM_GETCHECK) == BST_CHECKED;
    }
    HWND focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(thread_, &info);
        return info.hwndFocus;
    }
    std::string nameOf(HWND hwnd) const {
        for (const auto &[name, found] : named_) {
            if (found.hwnd == hwnd) {
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

    void setText(const std::string &name, const std::wstring &text) const {
        sendAndWait((*this)[name], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    /// Presses @p button with the answer box emptied, and waits up to @p ms until it shows a text
    /// that @p done accepts; returns that text, or what it shows then.
    template <typename Done>
    std::wstring pressForAnswer(const std::string &button, Done done, DWORD ms = 20000) const {
        setText("Text3", L"");
        press(button);
        std::wstring shown;
        waitFor([&] { return done(shown = text("Text3")); }, ms);
        settle();
        return shown;
    }

    /// After a handler's last change to a box only Fecha is left, which takes well under a
    /// millisecond; a click while it runs would be dropped as input.
    void settle() const { Sleep(100); }

    /// A click into a label or a box (at its middle).
    void clickInto(const std::string &name) const {
        HWND hwnd = (*this)[name];
        RECT client;
        GetClientRect(hwnd, &client);
        const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
        sendAndWait(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        sendAndWait(hwnd, WM_LBUTTONUP, 0, at);
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
        sendAndWait(main_, WM_NULL);  // handled only once the key has been
    }

    /// The message box that the window shows (none after @p ms).
    Box messageBox(DWORD ms = 5000) const { return messageBoxOf(0, main_, ms); }

    /// Closes the window as its close box does and checks that the program ends well.
    void close() {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        check(WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0,
              L"the program ends when its window is closed");
        DWORD code = 1;
        GetExitCodeProcess(process_.hProcess, &code);
        check(code == 0, L"the program ends with exit code 0");
        g_program = nullptr;
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
    }

    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

  private:
    HWND findWindow() const {
        HWND hwnd = nullptr;
        while ((hwnd = FindWindowExW(nullptr, hwnd, nullptr, L"ZARVO")) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == process_.dwProcessId && className(hwnd) != L"#32770") {
                return hwnd;
            }
        }
        return nullptr;
    }

    // Finds each control of the table at its place, within two pixels, among the window's
    // children of its kind; what is not there is missing (checkForm tells which).
    void collect() {
        for (HWND child = GetWindow(main_, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            Found found{child,
                        className(child),
                        textOf(child),
                        static_cast<LONG>(GetWindowLongW(child, GWL_STYLE)),
                        {}};
            GetWindowRect(child, &found.rect);
            children_.push_back(found);
        }
        for (const ControlRow &e : window::kForm) {  // a frame before what it holds
            POINT origin{0, 0};
            const std::string container = controlName(e.container);
            if (container.empty()) {
                ClientToScreen(main_, &origin);
            } else if (has(container)) {
                origin = {named_[container].rect.left, named_[container].rect.top};
            } else {
                continue;
            }
            for (const Found &f : children_) {
                if (kindOf(f) == e.kind && closeTo(f.rect.left - origin.x, e.left) &&
                    closeTo(f.rect.top - origin.y, e.top) &&
                    closeTo(f.rect.right - f.rect.left, e.width) &&
                    closeTo(f.rect.bottom - f.rect.top, e.height)) {
                    named_[std::string(e.name)] = f;
                }
            }
        }
    }

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
    DWORD thread_ = 0;
    std::vector<Found> children_;
    std::map<std::string, Found> named_;
};

// The form as it opens: each control of the table, and no other, at its place with its caption
// or text, the option states, the tab order and the focus; the option pairs and the keyboard.
void checkForm(Program &program) {
    RECT client;
    GetClientRect(program.main(), &client);
    check(client.right == window::pixels(window::kClientWidthTwips) &&
              client.bottom == window::pixels(window::kClientHeightTwips),
          L"client area 5520 x 6780 twips");
    check(program.children().size() == window::kForm.size(), L"36 controls");
    for (const ControlRow &e : window::kForm) {
        const std::string name(e.name);
        if (!program.has(name)) {
            check(false, L"a control at the place of " + wide(name) + L" (" + wide(e.text) + L")");
            continue;
        }
        const Found &f = program.found(name);
        check(f.caption == wide(e.text),
              wide(name) + L" reads \"" + wide(e.text) + L"\", not \"" + f.caption + L"\"");
        check(IsWindowVisible(f.hwnd) && IsWindowEnabled(f.hwnd),
              wide(name) + L" visible and enabled");
        if (e.kind == Kind::Option) {
            check(program.checked(name) == ((e.facts & window::kSelected) != 0),
                  wide(name) + L" selected as the form opens, or not");
        }
    }
    check(program.focus() == program["Command1"], L"the focus on Testar Impressora at start");

    // The order the dialog keys follow is the windows' order, which holds the tab order.
    std::vector<std::string> order;
    for (const Found &f : program.children()) {
        const Kind kind = kindOf(f);
        if (kind == Kind::Button || kind == Kind::TextBox || kind == Kind::Option) {
            order.push_back(program.nameOf(f.hwnd));
        }
    }
    check(order == tabOrder(), L"tab order");

    // The Tab key stops at the selected option of each pair only, and goes round.
    std::vector<std::string> visited{program.nameOf(program.focus())};
    std::vector<std::string> expectedVisits;
    for (const std::string &name : tabOrder()) {
        if (name != "Pordata" && name != "NoArq") {
            expectedVisits.push_back(name);
        }
    }
    expectedVisits.push_back("Command1");
    for (std::size_t i = 1; i < expectedVisits.size(); ++i) {
        program.pressTab();
        visited.push_back(program.nameOf(program.focus()));
    }
    std::wstring seen;
    for (const std::string &name : visited) {
        seen += wide(name) + L" ";
    }
    check(visited == expectedVisits, L"Tab visits the tab order; it went " + seen);

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

std::string fileBytes(const std::wstring &path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "(missing " + std::string(path.begin(), path.end()) + ")";
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

bool fileExists(const std::wstring &path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isAccepted(const std::wstring &reply) {
    return reply.size() >= 3 && reply[1] == L'+' && reply.back() == L'}';
}

// The printer test against the simulator started with --clock 0102031234 --reduction F
// --first-x --coo 123 --ccf 45: every box filled.
void printerTest(Program &program, const std::wstring &clockPrefix = L"") {
    for (const char *box : {"Text1", "Text2", "COO", "CCF", "PAPEL", "Reducao", "LEITX"}) {
        program.setText(box, L"");
    }
    program.press("Command1");
    // The paper state is the last box filled.
    check(waitFor([&] { return !program.text("PAPEL").empty(); }, 20000),
          L"the printer test ends within 20 s");
    program.settle();
    check(program.text("Text1") == L"com 1", L"port box: " + program.text("Text1"));
    if (!clockPrefix.empty()) {
        check(program.text("Text2").rfind(clockPrefix, 0) == 0,
              L"clock box: " + program.text("Text2"));
        return;  // the other boxes as the first printer test checked them
    }
    check(program.text("Text2") == L"Horario Normal 01/02/03 12:34",
          L"clock box: " + program.text("Text2"));
    check(program.text("COO") == L"000123", L"COO: " + program.text("COO"));
    check(program.text("CCF") == L"000045", L"CCF: " + program.text("CCF"));
    check(program.text("Reducao") == L"Obrigatória", L"Redução: " + program.text("Reducao"));
    check(program.text("LEITX") == L"Efetuada", L"Primeira LX: " + program.text("LEITX"));
    check(program.text("PAPEL") == L"Com Papel", L"Papel: " + program.text("PAPEL"));
    check(program.text("Text3").empty(), L"the printer test leaves the answer box alone");
}

// Waits while the file @p flag exists, so that a screenshot can be taken of the window.
void pauseFor(const std::wstring &flag) {
    HANDLE file = CreateFileW(flag.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    waitFor([&] { return !fileExists(flag); }, 30000);
}

// A whole session against a willing printer: the printer test, the X reading, summer time in and
// out, readings by reduction and by date to LeitM.txt, and a printed reading.
// Files: the expected LeitM.txt of the reading by reduction 0001-0003 and of the reading by date
// 01/01/00-30/12/10; optionally a flag file to pause on for a screenshot.
void session(Program &program, const std::wstring &workdir,
             const std::vector<std::wstring> &files) {
    if (files.size() < 2) {
        fatal(L"session needs the two expected readings");
    }
    printerTest(program);
    if (files.size() > 2) {
        pauseFor(files[2]);
    }

    const auto replied = [](const std::wstring &shown) {
        return isAccepted(shown) || shown.rfind(L"ERRO ", 0) == 0;
    };
    std::wstring shown = program.pressForAnswer("Command4", replied);
    check(isAccepted(shown), L"Leitura X shows the reply: " + shown);
    shown = program.pressForAnswer("Command2", replied);
    check(isAccepted(shown), L"Entrar: " + shown);
    printerTest(program, L"Horario de Verao ");
    shown = program.pressForAnswer("Command3", replied);
    check(isAccepted(shown), L"Sair: " + shown);

    const std::wstring reading = workdir + L"\\LeitM.txt";
    program.click("NoArq");
    program.type("Ini", L"1");
    program.type("Fim", L"3");
    const auto saved = [](const std::wstring &shown) {
        return shown == L"Arquivo LeitM.txt gravado";
    };
    // Fim_Validate runs first: the box reads 0003 when the command is made.
    shown = program.pressForAnswer("LMF", saved);
    check(program.text("Fim") == L"0003", L"Fim rewritten before Executa: " + program.text("Fim"));
    check(saved(shown), L"reading by reduction to the file: " + shown);
    check(fileBytes(reading) == fileBytes(files[0]), L"LeitM.txt holds the reading 0001-0003");

    program.click("Pordata");
    shown = program.pressForAnswer("LMF", saved);
    check(saved(shown), L"reading by date to the file: " + shown);
    check(fileBytes(reading) == fileBytes(files[1]), L"LeitM.txt holds the reading by date");
    check(program.text("Ini") == L"01/01/00" && program.text("Fim") == L"30/12/10",
          L"the dates read dd/mm/yy again: " + program.text("Ini") + L" " + program.text("Fim"));

    program.click("NaImp");
    program.click("Porredu");
    shown = program.pressForAnswer("LMF", replied);
    check(isAccepted(shown), L"printed reading: " + shown);
}

// A printer that answers the printer test's five commands and then nothing: ERRO 99 after the
// 3-second wait, during which the window shows its progress text, answers, and drops clicks.
void silent(Program &program) {
    printerTest(program);
    program.setText("Text3", L"");
    program.press("Command2");
    check(waitFor([&] { return program.text("Text3") == L"Entrar em Horário de Verão"; }),
          L"the progress text shows during the wait: " + program.text("Text3"));
    // A click on another button, by the button's own message and by the mouse: both dropped.
    program.press("Command4");
    PostMessageW(program["Command4"], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(program["Command4"], WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    const auto ended = [](const std::wstring &text) { return text.rfind(L"ERRO", 0) == 0; };
    std::wstring shown;
    waitFor([&] { return ended(shown = program.text("Text3")); }, 20000);
    check(shown == L"ERRO 99", L"Entrar, silent printer: " + shown);
    // "Leitura X" would show its progress text at once had a click been kept for later.
    Sleep(500);
    check(program.text("Text3") == L"ERRO 99",
          L"the clicks made during the wait ran nothing: " + program.text("Text3"));
}

// Zarvo.exe's version resource: file and product version 1.00.
void checkVersion(const std::wstring &exe) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    std::vector<char> info(size);
    const auto value = [&](const wchar_t *name) -> std::wstring {
        wchar_t *text = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\041604B0\\") + name;
        if (VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void **>(&text), &length) &&
            text != nullptr) {
            return text;
        }
        return L"(none)";
    };
    check(size > 0 && GetFileVersionInfoW(exe.c_str(), 0, size, info.data()) &&
              value(L"FileVersion") == L"1.00" && value(L"ProductVersion") == L"1.00",
          L"file and product version 1.00");
}

// No Zarvo.dll beside the program: each action that calls the library says so in a message box,
// and the window stays.
void nolib(Program &program) {
    for (const char *button : {"Command4", "Command1"}) {
        program.press(button);
        const Box box = program.messageBox();
        check(box.message.find(L"Zarvo.dll") != std::wstring::npos,
              L"a message box naming Zarvo.dll after " + wide(button) + L": " + box.message);
        check(!IsWindowEnabled(program.main()), L"the window takes no input while the box shows");
        check(box.ok != nullptr, L"the box has an OK button");
        if (box.ok != nullptr) {
            PostMessageW(box.ok, BM_CLICK, 0, 0);
        }
        check(waitFor([&] { return !IsWindow(box.hwnd); }), L"OK closes the box");
        check(program.running() && IsWindow(program.main()), L"the program stays");
        waitFor([&] { return IsWindowEnabled(program.main()) != FALSE; });
    }
}

// The printer on COM3, which is no port number yet: the printer test fails, the window offers the
// serial ports Wine shows, the robot chooses COM3, and the next printer test finds the printer
// there as port 1. The ports file is the prefix's own, removed before and after.
void offer(Program &program) {
    wchar_t appdata[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", appdata, MAX_PATH);
    const std::wstring portsFile = std::wstring(appdata) + L"\\zarvo\\ports";
    DeleteFileW(portsFile.c_str());

    program.press("Command1");
    HWND choice = nullptr;
    waitFor([&] { return (choice = FindWindowW(L"ZarvoChoice", nullptr)) != nullptr; }, 20000);
    if (choice == nullptr) {
        fatal(L"no choice offered after the failed printer test: " + program.text("Text2"));
    }
    check(program.text("Text2") == L"Impressora não Conectada",
          L"clock box: " + program.text("Text2"));
    check(!IsWindowEnabled(program.main()), L"the window takes no input while the choice shows");
    HWND list = GetDlgItem(choice, 100);
    const LRESULT count = sendAndWait(list, LB_GETCOUNT);
    LRESULT com3 = LB_ERR;
    std::wstring items;
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t item[512] = {};
        sendAndWait(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        items += std::wstring(item) + L"; ";
        const std::wstring text = item;
        // "Porta serial do computador: COM3 (hoje a porta 3)"
        if (text.find(L": COM3 ") != std::wstring::npos ||
            (text.size() >= 6 && text.compare(text.size() - 6, 6, L": COM3") == 0)) {
            com3 = i;
        }
        check(text.find(L": COM1") == std::wstring::npos &&
                  text.find(L": COM2") == std::wstring::npos,
              L"ports 1 and 2, just tried, are not offered: " + text);
    }
    if (com3 == LB_ERR) {
        fatal(L"COM3 is not among the offered ports: " + items);
    }
    sendAndWait(list, LB_SETCURSEL, static_cast<WPARAM>(com3));
    PostMessageW(GetDlgItem(choice, IDOK), BM_CLICK, 0, 0);
    check(waitFor([&] { return !IsWindow(choice); }), L"the choice closes");
    check(waitFor([&] { return fileBytes(portsFile).find("\n1 = COM3\n") != std::string::npos; }),
          L"the ports file makes COM3 port 1: " + wide(fileBytes(portsFile)));
    waitFor([&] { return IsWindowEnabled(program.main()) != FALSE; });

    printerTest(program);
    DeleteFileW(portsFile.c_str());
}

bool samePath(const std::wstring &a, const std::wstring &b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

struct Shortcut {
    std::wstring target;
    std::wstring arguments;
    std::wstring folder;
};

// What the shell reads from a .lnk when a person opens it: program, arguments, working folder.
Shortcut readShortcut(const std::wstring &link) {
    if (FAILED(CoInitialize(nullptr))) {
        fatal(L"COM does not start");
    }
    IShellLinkW *shell = nullptr;
    IPersistFile *file = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void **>(&shell))) ||
        FAILED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) ||
        FAILED(file->Load(link.c_str(), STGM_READ))) {
        fatal(L"cannot read the shortcut " + link);
    }
    wchar_t text[1024] = {};
    Shortcut shortcut;
    shell->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
    shortcut.target = text;
    text[0] = L'\0';
    shell->GetArguments(text, 1024);
    shortcut.arguments = text;
    text[0] = L'\0';
    shell->GetWorkingDirectory(text, 1024);
    shortcut.folder = text;
    file->Release();
    shell->Release();
    return shortcut;
}

// The program started as @p shortcut says, but from @p workdir, where the documents' Zarvo is a
// file: a message box names the folder, and OK ends the program with code 1.
void folderRefused(const Shortcut &shortcut, const std::wstring &workdir,
                   const std::wstring &documents) {
    PROCESS_INFORMATION process = start(shortcut.target, workdir, shortcut.arguments);
    g_program = process.hProcess;
    const Box box = messageBoxOf(process.dwProcessId, nullptr, 20000);
    check(box.message.find(L"Não foi possível usar a pasta de trabalho " + documents + L".") !=
              std::wstring::npos,
          L"a message box naming the folder: " + box.message);
    if (box.ok != nullptr) {
        PostMessageW(box.ok, BM_CLICK, 0, 0);
    }
    check(WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0,
          L"the program ends after the message");
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    check(code == 1, L"exit code 1 after the message: " + std::to_wstring(code));
    TerminateProcess(process.hProcess, 3);
    g_program = nullptr;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// The installed program as its Start-menu shortcut starts it, against a willing printer. The
// shortcut names the installed Zarvo.exe and the working folder Documents\Zarvo, which the setup
// made. The program makes that folder itself when it is missing, says so when it cannot, and
// writes RespApf.txt there whatever folder it was started in.
void shortcut(const std::wstring &link, const std::wstring &documents,
              const std::wstring &installed) {
    const Shortcut lnk = readShortcut(link);
    check(samePath(lnk.target, installed), L"the shortcut starts " + lnk.target);
    check(samePath(lnk.folder, documents), L"the shortcut works in " + lnk.folder);
    const std::wstring programFolder = installed.substr(0, installed.find_last_of(L'\\'));
    const std::wstring reply = documents + L"\\RespApf.txt";

    check(RemoveDirectoryW(documents.c_str()) != 0, L"the setup made an empty " + documents);
    HANDLE blocker =
        CreateFileW(documents.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    CloseHandle(blocker);
    folderRefused(lnk, programFolder, documents);
    DeleteFileW(documents.c_str());

    {
        Program missing(lnk.target, programFolder, lnk.arguments);
        printerTest(missing);
        missing.close();
    }
    check(fileExists(reply), L"the program made the missing folder and wrote " + reply);
    check(!fileExists(programFolder + L"\\RespApf.txt"), L"nothing written beside the program");

    DeleteFileW(reply.c_str());
    Program program(lnk.target, lnk.folder, lnk.arguments);
    printerTest(program);
    program.close();
    check(fileExists(reply), L"started from the shortcut, the program wrote " + reply);
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: zarvo-robot CASE ZARVO.EXE WORKDIR [FILE...]\n");
        return 2;
    }
    const std::wstring which = argv[1];
    const std::wstring workdir = argv[3];
    const std::vector<std::wstring> files(argv + 4, argv + argc);
    if (which == L"shortcut") {
        if (files.empty()) {
            fatal(L"shortcut needs the installed Zarvo.exe");
        }
        shortcut(argv[2], workdir, files[0]);
        std::fwprintf(stderr, L"shortcut: %d failure(s)\n", g_failures);
        return g_failures == 0 ? 0 : 1;
    }
    Program program(argv[2], workdir);
    if (which == L"form") {
        checkVersion(argv[2]);
        checkForm(program);
    } else if (which == L"session") {
        session(program, workdir, files);
    } else if (which == L"silent") {
        silent(program);
    } else if (which == L"nolib") {
        nolib(program);
    } else if (which == L"offer") {
        offer(program);
    } else {
        fatal(L"unknown case " + which);
    }
    program.close();
    std::fwprintf(stderr, L"%ls: %d failure(s)\n", which.c_str(), g_failures);
    return g_failures == 0 ? 0 : 1;
}
