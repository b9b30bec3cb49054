// SPDX-License-Identifier: MIT
// The operator window on the Win32 API: the form's controls, their events wired to the window's
// logic, and the view that logic works through.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "choice.h"
#include "dpi.h"
#include "form1.h"
#include "form_table.h"
#include "notice.h"
#include "view.h"

namespace zarvo::window::win32 {

/// @p text in the Win32 API's characters (UTF-16 on Windows too).
std::wstring wide(std::u16string_view text);

class FormWindow final : public View {
  public:
    explicit FormWindow(HINSTANCE instance);
    ~FormWindow() override;
    FormWindow(const FormWindow &) = delete;
    FormWindow &operator=(const FormWindow &) = delete;

    /// Creates the window, its controls and its logic, shows it and puts the focus on "Testar
    /// Impressora". False when the platform refuses a window (the reason is in GetLastError).
    bool create(int showCommand);

    /// Runs the message loop until the window is closed; returns the exit code.
    int run();

    HWND window() const { return window_; }

    // View
    Text text(Box box) const override;
    void setText(Box box, const Text &text) override;
    void repaint(Box box) override;
    void setForeColor(Box box, std::uint32_t color) override;
    void setMaxLength(Box box, int characters) override;
    bool isSelected(Option option) const override;
    void select(Option option) override;
    void showError(const Message &message) override;
    void showNotice(const Message &message) override;
    void offerChoice(const Message &message, const std::vector<Text> &items, const Text &confirm,
                     std::function<void(std::size_t)> chosen) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void closeWindow() override;

  private:
    struct Child {
        const ControlRow *row = nullptr;
        HWND hwnd = nullptr;
        COLORREF foreColor = RGB(0, 0, 0);
        bool ownColor = false;  // drawn in foreColor rather than the system's window-text color
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK rangeBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT onMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void onCommand(WORD id, WORD code, HWND from);
    bool createControl(const ControlRow &row, bool startsGroup);
    void layOut(int dpi);
    POINT origin(Control container, int dpi) const;
    void setFont(const Child &control, const std::wstring &text);
    void updateOptionTabStops();
    void handle(Handler handler);
    void showPendingErrors();
    Child *find(HWND hwnd);
    HWND handleOf(Control control) const { return controls_[idOf(control)].hwnd; }
    HWND box(Box box) const { return handleOf(controlOf(box)); }

    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::unique_ptr<Fonts> fonts_;              // at the window's DPI
    std::array<Child, kForm.size()> controls_;  // by Control
    HWND lastFocus_ = nullptr;
    std::unique_ptr<Form1> form_;
    std::vector<std::wstring> pendingErrors_;
    bool showingError_ = false;
    Notice notice_;
    Choice choice_;
};

}  // namespace zarvo::window::win32
