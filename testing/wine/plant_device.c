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

static int failed(const wchar_t *what, LONG error) {
    fwprintf(stderr, L"plant_device: %ls: error %ld\n", what, error);
    return 1;
}

/* The interface key's name, "##?#" and the instance id with "\" as "#", then "#{guid}"; the
 * symbolic link is "\\?\" and the same. */
static void interface_names(const wchar_t *instance, wchar_t *key, wchar_t *link, size_t size) {
    wchar_t mangled[512];
    size_t i;
    for (i = 0; instance[i] != L'\0' && i + 1 < 512; ++i) {
        mangled[i] = instance[i] == L'\\' ? L'#' : instance[i];
    }
    mangled[i] = L'\0';
    swprintf(key, size, L"%ls##?#%ls#%ls", INTERFACES_KEY, mangled, COMPORT_INTERFACE);
    swprintf(link, size, L"\\\\?\\%ls#%ls", mangled, COMPORT_INTERFACE);
}

static LONG set_text(HKEY key, const wchar_t *name, const wchar_t *text, DWORD type) {
    /* A REG_MULTI_SZ of one string ends in two NULs: the string's, then the list's. */
    DWORD bytes = (DWORD)((wcslen(text) + (type == REG_MULTI_SZ ? 2 : 1)) * sizeof(wchar_t));
    wchar_t value[1024] = {0};
    wcsncpy(value, text, 1022);
    return RegSetValueExW(key, name, 0, type, (const BYTE *)value, bytes);
}

static LONG create(const wchar_t *path, HKEY *key) {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, key, NULL);
}

static int plant(wchar_t **argv, int argc) {
    const wchar_t *instance = argv[2], *port = argv[3], *hardware_id = argv[4];
    wchar_t path[1024], link[1024], friendly[512];
    HKEY device, parameters, comport, entry, control;
    DWORD linked = 1;
    LONG error;

    swprintf(path, 1024, L"%ls%ls", ENUM_KEY, instance);
    swprintf(friendly, 512, L"%ls (%ls)", argv[6], port);
    if ((error = create(path, &device)) != ERROR_SUCCESS) {
        return failed(path, error);
    }
    error = set_text(device, L"ClassGUID", PORTS_CLASS, REG_SZ);
    error = error ? error : set_text(device, L"Class", L"Ports", REG_SZ);
    error = error ? error : set_text(device, L"FriendlyName", friendly, REG_SZ);
    error = error ? error : set_text(device, L"Mfg", argv[5], REG_SZ);
    error = error ? error : set_text(device, L"DeviceDesc", argv[6], REG_SZ);
    error = error ? error : set_text(device, L"HardwareID", hardware_id, REG_MULTI_SZ);
    if (error == ERROR_SUCCESS) {
        error = RegCreateKeyExW(device, L"Device Parameters", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                &parameters, NULL);
    }
    RegCloseKey(device);
    if (error != ERROR_SUCCESS) {
        return failed(path, error);
    }
    error = set_text(parameters, L"PortName", port, REG_SZ);
    if (error == ERROR_SUCCESS && argc > 7) {
        const DWORD ms = (DWORD)_wtoi(argv[7]);
        error =
            RegSetValueExW(parameters, L"LatencyTimer", 0, REG_DWORD, (const BYTE *)&ms, sizeof ms);
    }
    RegCloseKey(parameters);
    if (error != ERROR_SUCCESS) {
        return failed(L"Device Parameters", error);
    }

    interface_names(instance, path, link, 1024);
    if ((error = create(path, &comport)) != ERROR_SUCCESS) {
        return failed(path, error);
    }
    error = set_text(comport, L"DeviceInstance", instance, REG_SZ);
    if (error == ERROR_SUCCESS) {
        error = RegCreateKeyExW(comport, L"#", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &entry, NULL);
    }
    RegCloseKey(comport);
    if (error != ERROR_SUCCESS) {
        return failed(path, error);
    }
    error = set_text(entry, L"SymbolicLink", link, REG_SZ);
    if (error == ERROR_SUCCESS) {
        error =
            RegCreateKeyExW(entry, L"Control", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &control, NULL);
    }
    RegCloseKey(entry);
    if (error != ERROR_SUCCESS) {
        return failed(link, error);
    }
    error = RegSetValueExW(control, L"Linked", 0, REG_DWORD, (const BYTE *)&linked, sizeof linked);
    RegCloseKey(control);
    return error == ERROR_SUCCESS ? 0 : failed(L"Linked", error);
}

/* A device unplugged for good: Windows removes its keys with the driver. A key already gone
 * counts as removed. */
static int remove_device(const wchar_t *instance) {
    wchar_t path[1024], link[1024];
    LONG error;
    swprintf(path, 1024, L"%ls%ls", ENUM_KEY, instance);
    error = RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
        return failed(path, error);
    }
    interface_names(instance, path, link, 1024);
    error = RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? 0 : failed(path, error);
}

int wmain(int argc, wchar_t **argv) {
    if (argc >= 7 && wcscmp(argv[1], L"plant") == 0) {
        return plant(argv, argc);
    }
    if (argc == 3 && wcscmp(argv[1], L"remove") == 0) {
        return remove_device(argv[2]);
    }
    fwprintf(stderr,
             L"usage: plant_device plant INSTANCE PORT HARDWARE_ID MAKER DESCRIPTION "
             L"[LATENCY_MS] | remove INSTANCE\n");
    return 2;
}
