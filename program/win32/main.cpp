// SPDX-License-Identifier: MIT
// Zarvo.exe: the operator program, one window.
#include "form_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    zarvo::window::win32::FormWindow window(instance);
    if (!window.create(showCommand)) {
        MessageBoxW(nullptr, L"Não foi possível criar a janela.", L"ZARVO", MB_OK | MB_ICONERROR);
        return 1;
    }
    return window.run();
}
