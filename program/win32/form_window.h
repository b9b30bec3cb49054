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
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "choice.h"
#include "form1.h"
#include "form_table.h"
#include "notice.h"
#include "view.h"
#include "worker.h"

namespace zarvo::window::win32 {

class FormWindow final : public zarvo::window::View {
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

    // zarvo::window::View
    zarvo::window::Text text(zarvo::window::Box box) const override;
    void setText(zarvo::window::Box box, const zarvo::window::Text &text) override;
    void repaint(zarvo::window::Box box) override;
    void setForeColor(zarvo::window::Box box, std::uint32_t colour) override;
    void setMaxLength(zarvo::window::Box box, int characters) override;
    bool isSelected(zarvo::window::Option option) const override;
    void select(zarvo::window::Option option) override;
    void showError(const zarvo::window::Message &message) override;
    void showNotice(const zarvo::window::Message &message) override;
    void offerChoice(const zarvo::window::Message &message,
                     const std::vector<zarvo::window::Text> &items,
                     const zarvo::window::Text &confirm,
                     std::function<void(std::size_t)> chosen) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void closeWindow() override;

  private:
    struct Child {
        const zarvo::window::ControlRow *row = nullptr;
        HWND hwnd = nullptr;
        COLORREF foreColor = RGB(0, 0, 0);
        bool ownColor = false;
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK rangeBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void onCommand(WORD id, WORD code, HWND from);
    bool createControl(const zarvo::window::ControlRow &row, bool startsGroup);
    POINT origin(zarvo::window::Control container) const;
    void fitCaption(const Child &control);
    HFONT fontToFit(HWND hwnd, const std::wstring &text, int available);
    void updateOptionTabStops();
    void raise(zarvo::window::Handler handler);
    void showPendingErrors();
    Child *find(HWND hwnd);
    HWND handleOf(zarvo::window::Control control) const {
        return controls_[zarvo::window::idOf(control)].hwnd;
    }
    HWND box(zarvo::window::Box box) const { return handleOf(zarvo::window::controlOf(box)); }

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    std::map<LONG, HFONT> fittedFonts_;                        // by height, made once
    std::array<Child, zarvo::window::kForm.size()> controls_;  // by zarvo::window::Control
    HWND lastFocus_ = nullptr;
    std::unique_ptr<zarvo::window::Form1> form_;
    std::vector<std::wstring> pendingErrors_;
    bool showingError_ = false;
    Notice notice_;
    Choice choice_;
    Worker worker_;
    bool busy_ = false;
};

}  // namespace zarvo::window::win32
