/* SPDX-License-Identifier: MIT */
/* API232.dll on its own under Windows, on a line on COM1 whose far side sends back every byte
 * (echo_line.py): the line's settings, all 256 byte values both ways, sio_getch that returns at
 * once, sio_wait that ends on input or when its time passes, input kept until taken and dropped by
 * sio_close. Port numbers, calls out of order and bad arguments are checked before the transport,
 * in code the Linux tests (open_close_test) cover. The exit status is the number of failures. */
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "API232.h"
#include "win_check.h"

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
    unsigned char all[256], got[256];
    size_t i;
    DWORD start;

    check(sio_open(1) == SIO_OK, "COM1 opens");
    check(sio_ioctl(1, SIO_B9600, SIO_8N1) == SIO_OK, "9600 8N1 is set");
    {
        /* Windows refuses a second open of the port; Wine lets it succeed, and its handle then
         * reads the line's settings back. */
        HANDLE other = CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                   OPEN_EXISTING, 0, NULL);
        const DWORD error = GetLastError();
        DCB dcb = {0};
        if (other == INVALID_HANDLE_VALUE || wine_version() == NULL) {
            check(other == INVALID_HANDLE_VALUE && error == ERROR_ACCESS_DENIED,
                  "another open of COM1 is refused");
        } else {
            printf("skipped: exclusive use of COM1: Wine %s lets a second open succeed\n",
                   wine_version());
            dcb.DCBlength = sizeof dcb;
            check(GetCommState(other, &dcb) && dcb.BaudRate == 9600 && dcb.ByteSize == 8 &&
                      dcb.Parity == NOPARITY && dcb.StopBits == ONESTOPBIT && !dcb.fOutX &&
                      !dcb.fInX && !dcb.fOutxCtsFlow && dcb.fBinary,
                  "the line reads back as 9600 8N1, binary, no flow control");
        }
        if (other != INVALID_HANDLE_VALUE) {
            CloseHandle(other);
        }
    }

    start = GetTickCount();
    check(sio_getch(1) == 0 && GetTickCount() - start < 100, "sio_getch returns 0 at once");
    start = GetTickCount();
    check(sio_wait(1, 300) == 0, "sio_wait with nothing coming returns 0");
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
