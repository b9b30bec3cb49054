// SPDX-License-Identifier: MIT
// Zarvo.exe: the operator program, one window, working in the current directory or, as the
// Start-menu shortcut starts it (--in-documents), in Documents\Zarvo.
#include "form_window.h"
#include "work_folder.h"

namespace window = zarvo::window;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    const std::wstring caption = window::win32::wide(window::kFormCaption);
    if (window::win32::inDocumentsAsked()) {
        const std::wstring failure = window::win32::enterDocumentsFolder();
        if (!failure.empty()) {
            MessageBoxW(nullptr, failure.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
            return 1;
        }
    }
    window::win32::FormWindow form(instance);
    if (!form.create(showCommand)) {
        MessageBoxW(nullptr, L"Não foi possível criar a janela.", caption.c_str(),
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    return form.run();
}
