/* SPDX-License-Identifier: MIT */
/* API232.dll on its own under Windows: port numbers and argument checks, and a line on COM1 whose
 * far side sends back every byte (echo_line.py): all 256 byte values both ways, sio_getch that
 * returns at once, sio_wait that ends on input or when its time passes without using the CPU,
 * input kept until taken and dropped by sio_close. The exit status is the number of failures. */
#include <windows.h>

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "API232.h"

static int failures = 0;

static void check(int ok, const char *what) {
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    fflush(stdout);
    if (!ok) {
        ++failures;
    }
}

static double cpu_ms(void) {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return ((double)kernel.dwLowDateTime + (double)user.dwLowDateTime +
            4294967296.0 * (kernel.dwHighDateTime + user.dwHighDateTime)) /
           10000.0;
}

/* Takes up to n bytes into got, waiting at most 5 s for each. */
static int take(int32_t port, unsigned char *got, int n) {
    int have = 0;
    while (have < n) {
        int32_t waiting = sio_wait(port, 5000);
        if (waiting <= 0) {
            break;
        }
        while (waiting-- > 0 && have < n) {
            got[have++] = (unsigned char)sio_getch(port);
        }
    }
    return have;
}

int main(void) {
    const int32_t bad[] = {0, 256, -1, INT32_MIN, INT32_MAX};
    unsigned char all[256], got[256];
    size_t i;
    int ok = 1;
    DWORD start;
    double cpu;

    for (i = 0; i < sizeof bad / sizeof bad[0]; ++i) {
        ok = ok && sio_open(bad[i]) == SIO_BADPORT && sio_close(bad[i]) == SIO_BADPORT &&
             sio_ioctl(bad[i], SIO_B9600, SIO_8N1) == SIO_BADPORT &&
             sio_write(bad[i], "x", 1) == SIO_BADPORT && sio_getch(bad[i]) == SIO_BADPORT &&
             sio_wait(bad[i], 0) == SIO_BADPORT;
    }
    check(ok, "port numbers outside 1..255 are refused by every call");
    check(sio_getch(1) == SIO_NOT_OPEN && sio_wait(1, 0) == SIO_NOT_OPEN &&
              sio_write(1, "x", 1) == SIO_NOT_OPEN && sio_close(1) == SIO_NOT_OPEN,
          "calls on a port not open say so");

    check(sio_open(1) == SIO_OK, "COM1 opens");
    check(sio_ioctl(1, 11, 3) == SIO_BAD_PARAM && sio_ioctl(1, 12, 2) == SIO_BAD_PARAM &&
              sio_write(1, NULL, 1) == SIO_BAD_PARAM && sio_write(1, "x", -1) == SIO_BAD_PARAM,
          "unknown line codes and bad buffers are refused");
    check(sio_ioctl(1, SIO_B9600, SIO_8N1) == SIO_OK, "9600 8N1 is set");
    {
        DCB dcb;
        HANDLE other = CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                   OPEN_EXISTING, 0, NULL);
        if (other == INVALID_HANDLE_VALUE) {
            check(GetLastError() == ERROR_ACCESS_DENIED, "another open of COM1 is refused");
        } else {
            memset(&dcb, 0, sizeof dcb);
            dcb.DCBlength = sizeof dcb;
            check(GetCommState(other, &dcb) && dcb.BaudRate == 9600 && dcb.ByteSize == 8 &&
                      dcb.Parity == NOPARITY && dcb.StopBits == ONESTOPBIT && !dcb.fOutX &&
                      !dcb.fInX && !dcb.fOutxCtsFlow && dcb.fBinary,
                  "the line reads back as 9600 8N1, binary, no flow control");
            typedef const char *(__cdecl * Version)(void);
            Version wine = (Version)(void (*)(void))GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                                   "wine_get_version");
            if (wine != NULL) {
                printf(
                    "skipped: exclusive use of COM1: Wine %s lets a second open succeed; only "
                    "Windows refuses it\n",
                    wine());
            } else {
                check(0, "another open of COM1 is refused");
            }
            CloseHandle(other);
        }
    }

    start = GetTickCount();
    check(sio_getch(1) == 0 && GetTickCount() - start < 100, "sio_getch returns 0 at once");
    cpu = cpu_ms();
    start = GetTickCount();
    check(sio_wait(1, 300) == 0, "sio_wait with nothing coming returns 0");
    printf("sio_wait(300): %lu ms, CPU %.1f ms\n", (unsigned long)(GetTickCount() - start),
           cpu_ms() - cpu);
    check(GetTickCount() - start >= 290, "sio_wait lasted its time");

    for (i = 0; i < 256; ++i) {
        all[i] = (unsigned char)i;
    }
    check(sio_write(1, (const char *)all, 256) == 256, "256 bytes are written");
    memset(got, 0xAA, sizeof got);
    check(take(1, got, 256) == 256 && memcmp(got, all, 256) == 0,
          "every byte value comes back unchanged");

    check(sio_write(1, "ab}cd", 5) == 5 && take(1, got, 3) == 3 && memcmp(got, "ab}", 3) == 0,
          "bytes after the ones taken stay");
    Sleep(100);
    check(sio_wait(1, 0) == 2 && sio_getch(1) == 'c', "the rest waits, in order");
    check(sio_write(1, "xyz", 3) == 3, "more bytes are written");
    Sleep(200);
    check(sio_close(1) == SIO_OK && sio_open(1) == SIO_OK, "COM1 closes and opens again");
    check(sio_wait(1, 200) == 0 && sio_getch(1) == 0, "the close dropped the input not taken");
    check(sio_close(1) == SIO_OK, "COM1 closes");
    return failures;
}
