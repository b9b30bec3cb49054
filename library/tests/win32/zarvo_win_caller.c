/* SPDX-License-Identifier: MIT */
/* A Windows caller of Zarvo.dll, as an outside program uses it: LoadLibraryA and GetProcAddress
 * by name, calls through stdcall pointers, BSTRs in and out.
 *   zarvo_win_caller load   each export by name, the version resource as Windows
 *                           reads it, the stack after a million calls, RespApf.txt failures
 *   zarvo_win_caller e2e    against the printer simulator on COM1 (see win32_e2e.sh)
 *   zarvo_win_caller pull   the USB adapter on COM12 pulled in the middle of a reply, then
 *                           plugged back (see adapter.sh)
 *   zarvo_win_caller soak   2,000 exchanges on COM12, the process's handles and private bytes
 *                           flat after the first hundred, and again after a pull and re-plug
 * Prints one line per check; the exit status is the number of failed checks. */
#include <windows.h>

#include <oleauto.h>
#include <psapi.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "win_check.h"

typedef int32_t(__stdcall *PortCall)(int32_t port);
typedef int32_t(__stdcall *TxrxCall)(int32_t port, int32_t timeout_s, const char *command);
typedef void(__stdcall *RxCall)(char **reply, int32_t port, int32_t timeout_s);
typedef int32_t(__stdcall *FailureCall)(int32_t *system_error);

static PortCall Abre, Fecha;
static TxrxCall TXRX;
static RxCall RX;
static FailureCall ZarvoReplyFileFailure;

/* ZarvoReplyFileFailure gives @p cause and @p error. */
static int failure_is(int32_t cause, int32_t error) {
    int32_t found = -1;
    return ZarvoReplyFileFailure(&found) == cause && found == error;
}

static uintptr_t stack_pointer(void) {
    uintptr_t sp;
#if defined(__x86_64__)
    __asm__ volatile("movq %%rsp, %0" : "=r"(sp));
#else
    __asm__ volatile("movl %%esp, %0" : "=r"(sp));
#endif
    return sp;
}

/* TXRX with the command as a counted text in a BSTR, as the window passes it. */
static int32_t exchange(int32_t port, int32_t timeout_s, const char *text) {
    BSTR c = SysAllocStringByteLen(text, (UINT)strlen(text));
    int32_t result = TXRX(port, timeout_s, (const char *)c);
    SysFreeString(c);
    return result;
}

/* The whole of RespApf.txt, or "" when it cannot be read. */
static const char *reply_file(void) {
    static char content[8192];
    FILE *f = fopen("RespApf.txt", "rb");
    content[f != NULL ? fread(content, 1, sizeof content - 1, f) : 0] = '\0';
    if (f != NULL) {
        fclose(f);
    }
    return content;
}

static int exists(const char *name) {
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

static void write_file(const char *name, const char *text) {
    FILE *f = fopen(name, "wb");
    if (f != NULL) {
        fputs(text, f);
        fclose(f);
    }
}

/* RespApf.txt where it cannot be written: -2, and no earlier reply left to be taken for the new. */
static void reply_file_failures(void) {
    typedef BOOLEAN(WINAPI * MakeLink)(const char *, const char *, DWORD);
    MakeLink make_link = (MakeLink)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                  "CreateSymbolicLinkA");
    check(TXRX(0, 0, NULL) == -1 && strcmp(reply_file(), ".-0001ERRO:         98}\r\n") == 0,
          "RespApf.txt holds the 98 reply");
    check(failure_is(0, 0), "a RespApf.txt written leaves no failure to tell");
    write_file("RespApf.txt", "longer earlier reply, longer than the new one}\r\n");
    check(TXRX(0, 0, NULL) == -1 && strcmp(reply_file(), ".-0001ERRO:         98}\r\n") == 0,
          "a longer earlier RespApf.txt is cut to the new line");

    SetFileAttributesA("RespApf.txt", FILE_ATTRIBUTE_READONLY);
    {
        HANDLE probe = CreateFileA("RespApf.txt", GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            printf("skipped: a read-only RespApf.txt: this system (Wine as root) writes it\n");
        } else {
            check(TXRX(0, 0, NULL) == -2, "a read-only RespApf.txt gives -2");
            check(!exists("RespApf.txt"), "the read-only earlier RespApf.txt is removed");
            check(failure_is(4, ERROR_ACCESS_DENIED), "the failure is told: a read-only file");
        }
    }
    SetFileAttributesA("RespApf.txt", FILE_ATTRIBUTE_NORMAL);
    DeleteFileA("RespApf.txt");

    CreateDirectoryA("RespApf.txt", NULL);
    check(TXRX(0, 0, NULL) == -2, "a folder named RespApf.txt gives -2");
    check(exists("RespApf.txt"), "the folder is left alone");
    check(failure_is(2, ERROR_ACCESS_DENIED), "the failure is told: a folder");
    RemoveDirectoryA("RespApf.txt");

    write_file("target.txt", "keep me");
    if (make_link == NULL || !make_link("RespApf.txt", "target.txt", 0) || !exists("RespApf.txt") ||
        !(GetFileAttributesA("RespApf.txt") & FILE_ATTRIBUTE_REPARSE_POINT)) {
        printf("skipped: a symbolic link as RespApf.txt: this system makes or shows none (%lu)\n",
               GetLastError());
        DeleteFileA("RespApf.txt");
    } else {
        check(TXRX(0, 0, NULL) == -2, "a symbolic link named RespApf.txt gives -2");
        check(!exists("RespApf.txt"), "the link is removed");
        check(failure_is(1, 0), "the failure is told: a symbolic link");
        check(strcmp((rename("target.txt", "RespApf.txt"), reply_file()), "keep me") == 0,
              "its target is kept unchanged");
        DeleteFileA("RespApf.txt");
    }
    DeleteFileA("target.txt");
}

static int load(HMODULE zarvo) {
    {
        /* As Windows shows it: the version resource read through the system's API. */
        char file[MAX_PATH], info[8192], *value = NULL;
        UINT length = 0;
        GetModuleFileNameA(zarvo, file, sizeof file);
        check(GetFileVersionInfoA(file, 0, sizeof info, info) &&
                  VerQueryValueA(info, "\\StringFileInfo\\041604B0\\FileVersion", (void **)&value,
                                 &length) &&
                  strcmp(value, ZARVO_VERSION_TEXT) == 0 &&
                  VerQueryValueA(info, "\\StringFileInfo\\041604B0\\ProductVersion",
                                 (void **)&value, &length) &&
                  strcmp(value, ZARVO_VERSION_TEXT) == 0,
              "file and product version " ZARVO_VERSION_TEXT);
    }
    {
        /* A callee that did not pop its arguments (or popped too many) moves the stack pointer. */
        const uintptr_t before = stack_pointer();
        long i;
        for (i = 0; i < 1000000; ++i) {
            Fecha(0), Abre(0);
        }
        for (i = 0; i < 1000; ++i) {
            char *reply = NULL;
            RX(&reply, 0, -1);
            SysFreeString((BSTR)reply);
            TXRX(0, 0, NULL);
        }
        check(stack_pointer() == before,
              "a million calls through the exported pointers keep the stack");
    }
    reply_file_failures();
    return failures;
}

static int e2e(void) {
    const char *reply;
    char *rx = NULL;
    DWORD start;

    check(Abre(1) == 0, "Abre(1) opens COM1");
    /* The simulator sends ".+EXTRA}" after the reply to .5609: it waits in the port's input. */
    check(exchange(1, 10, ".5609") == 0, "TXRX .5609 is written");
    reply = reply_file();
    check(strncmp(reply, ".+", 2) == 0 && strlen(reply) > 4 &&
              strpbrk(reply, "\r\n") == reply + strlen(reply) - 2 &&
              strcmp(reply + strlen(reply) - 3, "}\r\n") == 0,
          "RespApf.txt holds the accepted .5609 reply as one line and CR LF");
    rx = (char *)SysAllocStringByteLen("old text", 8);
    RX(&rx, 1, 5);
    check(rx != NULL && SysStringByteLen((BSTR)rx) == 8 && memcmp(rx, ".+EXTRA}", 8) == 0,
          "RX hands back the kept input as a BSTR of the reply's length");
    SysFreeString((BSTR)rx);

    /* The simulator cuts the reply to .23: no "}" comes, the wait runs on Windows' clock. */
    start = GetTickCount();
    check(exchange(1, 2, ".23") == 0, "TXRX .23 is written");
    check(GetTickCount() - start >= 2000, "the wait lasted its timeout");
    check(strcmp(reply_file(), ".-0001ERRO:         99}\r\n") == 0,
          "RespApf.txt holds the 99 reply after a timeout, 25 bytes");

    /* Port 2 named as COM1's own device: one device serves one port at a time. */
    SetEnvironmentVariableA("API232_PORT2", "\\\\.\\com1");
    check(Abre(2) == -6, "COM1 under another port number is busy");
    SetEnvironmentVariableA("API232_PORT2", NULL);
    check(Fecha(1) == 0, "Fecha(1) closes COM1");
    SetEnvironmentVariableA("API232_PORT5", "C:\\no such folder\\COM5");
    check(Abre(5) == -4, "a device that does not exist fails at Abre");
    check(Abre(4) == -4, "COM4 (its device missing) fails at Abre, not at the first write");
    return failures;
}

/* The adapter's port: above 9, where Windows needs the \\.\ spelling. */
#define ADAPTER 12

static const char k98[] = ".-0001ERRO:         98}\r\n";
static const char k99[] = ".-0001ERRO:         99}\r\n";

/* The file that says @p word of pull-and-replug round @p round: "closed1". */
static const char *word_of(const char *word, int round) {
    static char name[32];
    snprintf(name, sizeof name, "%s%d", word, round);
    return name;
}

/* Says @p word of round @p round to adapter.sh, which pulls or plugs the adapter: an empty file
 * of that name. */
static void tell(const char *word, int round) {
    write_file(word_of(word, round), "");
}

/* Waits up to 30 s for adapter.sh to say @p word of round @p round. */
static int heard(const char *word, int round) {
    int waited;
    for (waited = 0; waited < 30000 && !exists(word_of(word, round)); waited += 50) {
        Sleep(50);
    }
    return exists(word_of(word, round));
}

/* One exchange that the printer answered: .28, accepted. */
static int answered(void) {
    return exchange(ADAPTER, 5, ".28") == 0 && strncmp(reply_file(), ".+", 2) == 0;
}

static int pull(void) {
    DWORD start, took;
    char figures[128];

    check(Abre(ADAPTER) == 0, "Abre(12) opens COM12");
    /* adapter.sh pulls the adapter 1.5 s into the 6-s reply to .13. */
    start = GetTickCount();
    check(exchange(ADAPTER, 10, ".13") == 0 && strcmp(reply_file(), k99) == 0,
          "TXRX .13 is written and ends with the 99 reply once the adapter is pulled");
    took = GetTickCount() - start;
    snprintf(figures, sizeof figures,
             "TXRX ended %lu ms after the call: after the pull, long "
             "before its 10-s timeout",
             took);
    check(took >= 1000 && took < 2500, figures);
    start = GetTickCount();
    check(exchange(ADAPTER, 10, ".28") == -1 && strcmp(reply_file(), k98) == 0 &&
              GetTickCount() - start < 500,
          "the next TXRX gives -1 and the 98 reply at once");
    check(Fecha(ADAPTER) == 0, "Fecha(12) returns");
    tell("closed", 1);
    check(heard("plugged", 1), "the adapter is plugged back");
    check(Abre(ADAPTER) == 0 && answered(), "the new line behind COM12 answers");
    check(Fecha(ADAPTER) == 0, "Fecha(12) closes it");
    return failures;
}

typedef struct {
    DWORD handles;
    SIZE_T private_bytes;
} Usage;

/* One entry of NtQuerySystemInformation's SystemExtendedHandleInformation (64). */
typedef struct {
    PVOID object;
    ULONG_PTR owner;
    ULONG_PTR handle;
    ULONG access;
    USHORT back_trace;
    USHORT type;
    ULONG attributes;
    ULONG reserved;
} SystemHandle;
typedef struct {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandle handles[1];
} SystemHandles;
typedef LONG(WINAPI *QuerySystem)(ULONG kind, PVOID into, ULONG size, PULONG needed);

/* The handles this process holds. GetProcessHandleCount tells it on Windows; Wine 8 answers 0
 * for every process, and then they are counted among all the system's handles by their owner. */
static DWORD handle_count(void) {
    DWORD count = 0;
    ULONG size = 1 << 16;
    SystemHandles *all = NULL;
    QuerySystem query = (QuerySystem)(void (*)(void))GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                                    "NtQuerySystemInformation");
    LONG status = -1;
    ULONG_PTR i;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) {
        return count;
    }
    while (query != NULL && size <= (1u << 26) && (all = realloc(all, size)) != NULL) {
        ULONG needed = 0;
        status = query(64, all, size, &needed);
        if (status != (LONG)0xC0000004L) { /* anything but STATUS_INFO_LENGTH_MISMATCH */
            break;
        }
        size *= 2;
    }
    for (i = 0; status == 0 && i < all->count; ++i) {
        count += all->handles[i].owner == GetCurrentProcessId();
    }
    free(all);
    return count;
}

/* The private bytes are the process's commit charge, which Windows gives as PagefileUsage (and
 * again as PrivateUsage, which Wine 8 leaves 0). */
static Usage usage(void) {
    Usage now = {0, 0};
    PROCESS_MEMORY_COUNTERS memory;
    ZeroMemory(&memory, sizeof memory);
    memory.cb = sizeof memory;
    now.handles = handle_count();
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
        now.private_bytes = memory.PagefileUsage;
    }
    return now;
}

/* @p count exchanges, ten to each opening of the port, as a reading makes them; true when the
 * printer answered every one. */
static int exchanges(int count) {
    int done = 0, i;
    while (done < count) {
        int ok = Abre(ADAPTER) == 0;
        for (i = 0; ok && i < 10 && done < count; ++i, ++done) {
            ok = answered();
        }
        Fecha(ADAPTER);
        if (!ok) {
            return 0;
        }
    }
    return 1;
}

/* Private bytes may grow this much over the soak (the heap settling); 64 bytes kept by each
 * exchange would go past it. */
#define SPARE_BYTES (64 * 1024)

/* Handles and private bytes now, against @p before: no handle more, and no more private bytes
 * than the heap may take to settle. */
static void flat_since(Usage before, const char *when) {
    const Usage now = usage();
    char figures[200];
    snprintf(figures, sizeof figures, "%s: %lu handles (%lu before), %lu KiB private (%lu)", when,
             now.handles, before.handles, (unsigned long)(now.private_bytes / 1024),
             (unsigned long)(before.private_bytes / 1024));
    check(now.handles <= before.handles &&
              now.private_bytes <= before.private_bytes + SPARE_BYTES && before.handles > 0 &&
              before.private_bytes > 0,
          figures);
}

/* The adapter pulled while the port is open, the port closed, the adapter plugged back and
 * @p count exchanges made on it. */
static void pull_and_replug(int round, int count) {
    check(Abre(ADAPTER) == 0, "COM12 opens again");
    tell("pull", round);
    check(heard("pulled", round), "the adapter is pulled while the port is open");
    check(exchange(ADAPTER, 5, ".28") == -1, "the exchange on the pulled adapter fails");
    check(Fecha(ADAPTER) == 0, "Fecha(12) returns");
    tell("closed", round);
    check(heard("plugged", round) && exchanges(count), "plugged back, the exchanges are answered");
}

/* The first pull may take handles the process then keeps for good: under Wine the failure path's
 * first run leaves two semaphores, made once by the runtime for a lock's first use, and none at
 * the next. So the second pull, against the first, must take nothing more. */
static int soak(void) {
    Usage first, after_pull;
    check(exchanges(100), "the first 100 exchanges on COM12 are answered");
    first = usage();
    check(exchanges(1900), "1,900 more are answered");
    flat_since(first, "after 2,000 exchanges, against the first hundred");

    pull_and_replug(1, 100);
    after_pull = usage();
    printf("after a pull and re-plug: %lu handles, %lu KiB private\n", after_pull.handles,
           (unsigned long)(after_pull.private_bytes / 1024));
    pull_and_replug(2, 200);
    flat_since(after_pull, "after another pull and re-plug and 200 exchanges, against the first");
    return failures;
}

int main(int argc, char **argv) {
    HMODULE zarvo = LoadLibraryA("Zarvo.dll");
    if (zarvo == NULL) {
        printf("FAILED: LoadLibraryA(\"Zarvo.dll\"): error %lu\n", GetLastError());
        return 100;
    }
    /* By name, as a program declares them; their ordinals are the export table's, which
     * zarvo_win_exports checks. */
    Fecha = (PortCall)(void (*)(void))GetProcAddress(zarvo, "Fecha");
    Abre = (PortCall)(void (*)(void))GetProcAddress(zarvo, "Abre");
    RX = (RxCall)(void (*)(void))GetProcAddress(zarvo, "RX");
    TXRX = (TxrxCall)(void (*)(void))GetProcAddress(zarvo, "TXRX");
    ZarvoReplyFileFailure =
        (FailureCall)(void (*)(void))GetProcAddress(zarvo, "ZarvoReplyFileFailure");
    if (!Fecha || !Abre || !RX || !TXRX || !ZarvoReplyFileFailure) {
        printf("FAILED: an export of Zarvo.dll is missing\n");
        return 100;
    }
    if (argc > 1 && strcmp(argv[1], "e2e") == 0) {
        return e2e();
    }
    if (argc > 1 && strcmp(argv[1], "pull") == 0) {
        return pull();
    }
    if (argc > 1 && strcmp(argv[1], "soak") == 0) {
        return soak();
    }
    return load(zarvo);
}
