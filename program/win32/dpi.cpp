// SPDX-License-Identifier: MIT
// The DPI of a window, sizes scaled to it, and the fonts made for it.
#include "dpi.h"

#include "form_table.h"

namespace zarvo::window::win32 {
namespace {

using GetDpiForWindowCall = UINT(WINAPI *)(HWND);

// Bound once at run time: Windows 7, 8 and 10 before 1607 lack it, and Zarvo.exe runs there too.
GetDpiForWindowCall getDpiForWindow() {
    static const auto call = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        FARPROC found = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
        return reinterpret_cast<GetDpiForWindowCall>(reinterpret_cast<void *>(found));
    }();
    return call;
}

// The character height (a negative lfHeight) of @p points at @p dpi.
LONG heightOf(int points, int dpi) {
    return -MulDiv(points, dpi, 72);
}

}  // namespace

int dpiOf(HWND window) {
    if (GetDpiForWindowCall call = getDpiForWindow(); call != nullptr && window != nullptr) {
        if (const UINT dpi = call(window); dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : kFormDpi;
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kFormDpi;
}

int scaled(int pixels, int dpi) {
    return MulDiv(pixels, dpi, kFormDpi);
}

void setClientSize(HWND window, int width, int height, UINT flags) {
    RECT outside{}, inside{};
    GetWindowRect(window, &outside);
    GetClientRect(window, &inside);
    const int frameWidth = (outside.right - outside.left) - inside.right;
    const int frameHeight = (outside.bottom - outside.top) - inside.bottom;
    SetWindowPos(window, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | flags);
}

Fonts::~Fonts() {
    clear();
}

void Fonts::setDpi(int dpi) {
    clear();
    dpi_ = dpi;
}

void Fonts::clear() {
    for (const auto &[height, font] : byHeight_) {
        DeleteObject(font);
    }
    byHeight_.clear();
}

HFONT Fonts::regular() {
    return ofHeight(heightOf(kFontPoints, dpi_));
}

HFONT Fonts::ofHeight(LONG height) {
    if (const auto known = byHeight_.find(height); known != byHeight_.end()) {
        return known->second;
    }
    // The system's dialog face (MS Shell Dlg), made at this DPI rather than the system's.
    LOGFONTW shape{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof shape, &shape);
    shape.lfHeight = height;
    shape.lfWidth = 0;
    HFONT font = CreateFontIndirectW(&shape);
    if (font == nullptr) {
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    byHeight_.emplace(height, font);
    return font;
}

HFONT Fonts::toFit(HWND control, const std::wstring &text, int width) {
    const LONG smallest = heightOf(kSmallestFontPoints, dpi_);
    HDC dc = GetDC(control);
    LONG height = heightOf(kFontPoints, dpi_);
    HFONT font = ofHeight(height);
    for (;;) {
        HGDIOBJ previous = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, previous);
        if (size.cx <= width || height >= smallest) {
            break;
        }
        font = ofHeight(++height);  // heights are negative: one pixel smaller
    }
    ReleaseDC(control, dc);
    return font;
}

}  // namespace zarvo::window::win32
