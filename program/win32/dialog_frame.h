// SPDX-License-Identifier: MIT
// The frame that the notice and the choice share: a small captioned window over the form with a
// sign at its top left and a wrapped text beside it, sized around what it holds.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace zarvo::window::win32::dialog {

inline constexpr int kMargin = 12;
inline constexpr int kIconSize = 32;
inline constexpr int kButtonHeight = 23;
/// Where the text starts: right of the sign.
inline constexpr int kTextLeft = kMargin * 2 + kIconSize;

/// Registers the window class @p className with @p procedure (once) and makes its window over
/// @p owner, @p self as its windowOwner; nullptr when the platform refuses.
HWND make(const wchar_t *className, WNDPROC procedure, HWND owner, HINSTANCE instance, void *self);

/// The system's sign @p icon (IDI_WARNING, ...) at the frame's top left.
HWND sign(HWND frame, HINSTANCE instance, LPCWSTR icon);

/// A child of @p frame in @p font, to be placed with MoveWindow.
HWND child(HWND frame, HINSTANCE instance, HFONT font, const wchar_t *kind, const wchar_t *text,
           DWORD style, int id, DWORD exStyle = 0);

/// The height that @p text takes wrapped at @p width pixels in @p font, and never less than the
/// sign beside it.
int textHeight(HWND control, HFONT font, const std::wstring &text, int width);

/// Sizes @p frame so that its inside is @p width by @p height pixels; @p flags go to SetWindowPos
/// beside SWP_NOMOVE and SWP_NOZORDER.
void fit(HWND frame, int width, int height, UINT flags);

}  // namespace zarvo::window::win32::dialog
