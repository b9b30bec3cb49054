/* SPDX-License-Identifier: MIT */
/* The Windows test programs' checks: one line per check, "ok: what" or "FAILED: what"; the
 * program's exit status is the number of failures. Plain C, for programs run under Wine. */
#ifndef ZARVO_TESTING_WIN_CHECK_H
#define ZARVO_TESTING_WIN_CHECK_H

#include <windows.h>

#include <stdio.h>

static int failures = 0;

static inline void check(int ok, const char *what) {
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    fflush(stdout);
    if (!ok) {
        ++failures;
    }
}

/* Wine's version, or NULL on Windows: under Wine ntdll exports wine_get_version. */
static inline const char *wine_version(void) {
    typedef const char *(__cdecl * Version)(void);
    Version version =
        (Version)(void (*)(void))GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    return version ? version() : NULL;
}

#endif /* ZARVO_TESTING_WIN_CHECK_H */
