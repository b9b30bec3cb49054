/* SPDX-License-Identifier: MIT */
/* Plants a serial port device in the registry as a Windows port driver leaves it, or removes it,
 * for tests under Wine, whose SetupAPI lists devices from the registry alone:
 *   plant_device plant INSTANCE PORT HARDWARE_ID MAKER DESCRIPTION [LATENCY_MS]
 *   plant_device remove INSTANCE
 * INSTANCE is the device's instance id (FTDIBUS\VID_0403+PID_6001+A1B2C3D4A\0000), PORT its COM
 * name. The device key under Enum holds the Ports class, the friendly name "DESCRIPTION (PORT)",
 * the maker, the description and the hardware id; its Device Parameters the port name and, with
 * LATENCY_MS, FTDI's LatencyTimer. The COM-port interface key under DeviceClasses names the
 * device and is linked, as for a device that is plugged in. Exit status 0, or 1 with the reason. */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

#define PORTS_CLASS L"{4d36e978-e325-11ce-bfc1-08002be10318}"
#define COMPORT_INTERFACE L"{86e0d1e0-8089-11d0-9ce4-08003e301f73}"
#define ENUM_KEY L"SYSTEM\\CurrentControlSet\\Enum\\"
#define INTERFACES_KEY \
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\" COMPORT_INTERFACE L"\\"

static LONG last_error = ERROR_SUCCESS;

/* Keeps @p error when it is one, and tells whether all went well. */
static int done(LONG error) {
    last_error = error != ERROR_SUCCESS ? error : last_error;
    return error == ERROR_SUCCESS;
}

/* The key @p path under @p parent, made if needed; NULL on failure (also of a NULL parent). */
static HKEY made(HKEY parent, const wchar_t *path) {
    HKEY key = NULL;
    return parent != NULL &&
                   done(RegCreateKeyExW(parent, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
               ? key
               : NULL;
}

static int text(HKEY key, const wchar_t *name, const wchar_t *value, DWORD type) {
    /* A REG_MULTI_SZ of one string ends in two NULs: the string's, then the list's. */
    wchar_t data[1024] = {0};
    wcsncpy(data, value, 1022);
    return key != NULL && done(RegSetValueExW(key, name, 0, type, (const BYTE *)data,
                                              (DWORD)((wcslen(data) + 1 + (type == REG_MULTI_SZ)) *
                                                      sizeof(wchar_t))));
}

static int number(HKEY key, const wchar_t *name, DWORD value) {
    return key != NULL &&
           done(RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value));
}

static void close_key(HKEY key) {
    if (key != NULL) {
        RegCloseKey(key);
    }
}

/* The device's key under Enum, and its interface key: "##?#", the instance id with "\" as "#",
 * then "#{guid}". The interface's symbolic link is "\\?\" and the same. */
static void key_names(const wchar_t *instance, wchar_t *device, wchar_t *comport, wchar_t *link) {
    wchar_t mangled[512];
    size_t i;
    for (i = 0; instance[i] != L'\0' && i + 1 < 512; ++i) {
        mangled[i] = instance[i] == L'\\' ? L'#' : instance[i];
    }
    mangled[i] = L'\0';
    swprintf(device, 1024, L"%ls%ls", ENUM_KEY, instance);
    swprintf(comport, 1024, L"%ls##?#%ls#%ls", INTERFACES_KEY, mangled, COMPORT_INTERFACE);
    swprintf(link, 1024, L"\\\\?\\%ls#%ls", mangled, COMPORT_INTERFACE);
}

static int plant(int argc, wchar_t **argv) {
    const wchar_t *instance = argv[2], *port = argv[3];
    wchar_t device_path[1024], comport_path[1024], link[1024], friendly[512];
    HKEY device, parameters, comport, entry, control;
    int ok;

    key_names(instance, device_path, comport_path, link);
    swprintf(friendly, 512, L"%ls (%ls)", argv[6], port);
    device = made(HKEY_LOCAL_MACHINE, device_path);
    parameters = made(device, L"Device Parameters");
    ok = text(device, L"ClassGUID", PORTS_CLASS, REG_SZ) &&
         text(device, L"Class", L"Ports", REG_SZ) &&
         text(device, L"FriendlyName", friendly, REG_SZ) && text(device, L"Mfg", argv[5], REG_SZ) &&
         text(device, L"DeviceDesc", argv[6], REG_SZ) &&
         text(device, L"HardwareID", argv[4], REG_MULTI_SZ) &&
         text(parameters, L"PortName", port, REG_SZ) &&
         (argc < 8 || number(parameters, L"LatencyTimer", (DWORD)_wtoi(argv[7])));
    close_key(parameters);
    close_key(device);

    comport = ok ? made(HKEY_LOCAL_MACHINE, comport_path) : NULL;
    entry = made(comport, L"#");
    control = made(entry, L"Control");
    ok = text(comport, L"DeviceInstance", instance, REG_SZ) &&
         text(entry, L"SymbolicLink", link, REG_SZ) && number(control, L"Linked", 1);
    close_key(control);
    close_key(entry);
    close_key(comport);
    if (!ok) {
        fwprintf(stderr, L"plant_device: cannot plant %ls: error %ld\n", instance, last_error);
    }
    return ok ? 0 : 1;
}

/* A device unplugged for good: Windows removes its keys with the driver. A key already gone
 * counts as removed. */
static int remove_device(const wchar_t *instance) {
    wchar_t device_path[1024], comport_path[1024], link[1024];
    const wchar_t *paths[2] = {device_path, comport_path};
    int i;
    key_names(instance, device_path, comport_path, link);
    for (i = 0; i < 2; ++i) {
        const LONG error = RegDeleteTreeW(HKEY_LOCAL_MACHINE, paths[i]);
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
            fwprintf(stderr, L"plant_device: cannot remove %ls: error %ld\n", paths[i], error);
            return 1;
        }
    }
    return 0;
}

int wmain(int argc, wchar_t **argv) {
    if (argc >= 7 && wcscmp(argv[1], L"plant") == 0) {
        return plant(argc, argv);
    }
    if (argc == 3 && wcscmp(argv[1], L"remove") == 0) {
        return remove_device(argv[2]);
    }
    fwprintf(stderr,
             L"usage: plant_device plant INSTANCE PORT HARDWARE_ID MAKER DESCRIPTION "
             L"[LATENCY_MS] | remove INSTANCE\n");
    return 2;
}
