// SPDX-License-Identifier: MIT
// The operator window on the Win32 API: the form's controls, their events wired to the window's
// logic, and the view that logic works through.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "choice.h"
#include "form1.h"
#include "form_table.h"
#include "notice.h"
#include "view.h"

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
    HWND control(std::string_view name) const;

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
    void offerChoice(const core::Message &message, const std::vector<core::Text> &items,
                     const core::Text &confirm, std::function<void(std::size_t)> chosen) override;
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override;
    void closeWindow() override;

  private:
    struct Control {
        const ControlRow *row;
        HWND hwnd;
        COLORREF foreColor;
        bool ownColor;
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK rangeBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void onCommand(WORD id, WORD code, HWND from);
    bool createControl(const ControlRow &row);
    POINT origin(std::string_view container) const;
    void fitCaption(const Control &button);
    HFONT fontToFit(HWND hwnd, const std::wstring &text, int available);
    void updateOptionTabStops();
    void raise(core::Handler handler);
    void showPendingErrors();
    Control *find(std::string_view name);
    const Control *find(std::string_view name) const;
    Control *find(HWND hwnd);
    HWND box(core::Box box) const;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    std::map<LONG, HFONT> fittedFonts_;  // by height, made once
    std::vector<Control> controls_;
    HWND lastFocus_ = nullptr;
    std::unique_ptr<core::Form1> form_;
    std::vector<std::wstring> pendingErrors_;
    bool showingError_ = false;
    Notice notice_;
    Choice choice_;
    bool busy_ = false;
};

}  // namespace zarvo::win32
