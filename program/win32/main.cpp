// SPDX-License-Identifier: MIT
// Zarvo.exe: the operator program, one window, working in the current directory or, as the
// Start-menu shortcut starts it (--in-documents), in Documents\Zarvo.
#include "form_window.h"
#include "work_folder.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    if (zarvo::window::win32::inDocumentsAsked()) {
        const std::wstring failure = zarvo::window::win32::enterDocumentsFolder();
        if (!failure.empty()) {
            MessageBoxW(nullptr, failure.c_str(), L"ZARVO", MB_OK | MB_ICONERROR);
            return 1;
        }
    }
    zarvo::window::win32::FormWindow window(instance);
    if (!window.create(showCommand)) {
        MessageBoxW(nullptr, L"Não foi possível criar a janela.", L"ZARVO", MB_OK | MB_ICONERROR);
        return 1;
    }
    return window.run();
}
