/* SPDX-License-Identifier: MIT */
/* Runs a program as a standard user's programs run, without administrator rights in force:
 *   run_unelevated PROGRAM [ARGUMENT...]
 * From an elevated process (Wine runs every program elevated) the program gets the limited token
 * linked to this one; from one that is not elevated, this process's own token. It shares this
 * process's standard handles; the exit status is the program's, or 120 with the reason when it
 * cannot be started so, or 121 when it has not ended within a minute (it is then ended). */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

static int cannot(const char *what) {
    fprintf(stderr, "run_unelevated: %s (error %lu)\n", what, GetLastError());
    return 120;
}

/* The command line after this program's own name, as it was given. */
static wchar_t *rest_of_command_line(void) {
    wchar_t *line = GetCommandLineW();
    const wchar_t end = *line == L'"' ? L'"' : L' ';
    line += *line == L'"' ? 1 : 0;
    while (*line != L'\0' && *line != end) {
        ++line;
    }
    line += *line == L'"' ? 1 : 0;
    while (*line == L' ') {
        ++line;
    }
    return line;
}

int wmain(void) {
    HANDLE own = NULL, token = NULL;
    TOKEN_ELEVATION elevation = {0};
    DWORD size = 0, status = 120;
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    wchar_t *command = rest_of_command_line();

    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (*command == L'\0') {
        fprintf(stderr, "usage: run_unelevated PROGRAM [ARGUMENT...]\n");
        return 120;
    }
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own) ||
        !GetTokenInformation(own, TokenElevation, &elevation, sizeof elevation, &size)) {
        return cannot("cannot read this process's token");
    }
    if (elevation.TokenIsElevated) {
        TOKEN_LINKED_TOKEN linked = {0};
        if (!GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size) ||
            !DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation,
                              TokenPrimary, &token)) {
            return cannot("this elevated process has no limited token to give");
        }
        CloseHandle(linked.LinkedToken);
    } else if (!DuplicateTokenEx(own, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation, TokenPrimary,
                                 &token)) {
        return cannot("cannot copy this process's token");
    }
    if (!CreateProcessAsUserW(token, NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                              &process)) {
        return cannot("cannot start the program");
    }
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 121);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(token);
    CloseHandle(own);
    return (int)status;
}
