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

#include "form1.h"
#include "form_table.h"
#include "notice.h"
#include "view.h"
#include "worker.h"

namespace zarvo::win32 {

class FormWindow final : public core::View {
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

    // core::View
    core::Text text(core::Box box) const override;
    void setText(core::Box box, const core::Text &text) override;
    void repaint(core::Box box) override;
    void setForeColor(core::Box box, std::uint32_t colour) override;
    void setMaxLength(core::Box box, int characters) override;
    bool isSelected(core::Option option) const override;
    void select(core::Option option) override;
    void showError(const core::Message &message) override;
    void showNotice(const core::Message &message) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void closeWindow() override;

  private:
    struct Child {
        const core::ControlRow *row = nullptr;
        HWND hwnd = nullptr;
        COLORREF foreColor = RGB(0, 0, 0);
        bool ownColor = false;
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK rangeBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void onCommand(WORD id, WORD code, HWND from);
    bool createControl(const core::ControlRow &row, bool startsGroup);
    POINT origin(core::Control container) const;
    void fitCaption(const Child &control);
    HFONT fontToFit(HWND hwnd, const std::wstring &text, int available);
    void updateOptionTabStops();
    void raise(core::Handler handler);
    void showPendingErrors();
    Child *find(HWND hwnd);
    HWND handleOf(core::Control control) const { return controls_[core::idOf(control)].hwnd; }
    HWND box(core::Box box) const { return handleOf(core::controlOf(box)); }

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    std::map<LONG, HFONT> fittedFonts_;               // by height, made once
    std::array<Child, core::kForm.size()> controls_;  // by core::Control
    HWND lastFocus_ = nullptr;
    std::unique_ptr<core::Form1> form_;
    std::vector<std::wstring> pendingErrors_;
    bool showingError_ = false;
    Notice notice_;
    Worker worker_;
    bool busy_ = false;
};

}  // namespace zarvo::win32
