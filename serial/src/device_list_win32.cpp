// SPDX-License-Identifier: MIT
// The serial devices present on Windows: SetupAPI's COM-port interface and Ports class, with their
// friendly names, makers, USB ids and serial numbers, and an FTDI adapter's latency timer; then
// the SERIALCOMM key, for ports that SetupAPI does not show (Wine's mapped ports, some virtual
// port drivers). Nothing is opened. The latency timer is also set here, in the same key the
// adapter's driver reads it from when the adapter is plugged in.
#include <windows.h>
// setupapi.h needs windows.h first.
#include <setupapi.h>

#include <algorithm>
#include <cwchar>

#include "API232.h"
#include "device_list.h"
#include "last_error.h"
#include "system.h"

namespace zarvo::serial {
namespace {

// GUID_DEVINTERFACE_COMPORT and GUID_DEVCLASS_PORTS, spelled out so that no initguid is needed.
const GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

/// Where FTDI's driver reads an adapter's latency timer, in its Device Parameters key.
const wchar_t *const kLatencyValue = L"LatencyTimer";

std::string utf8(const std::wstring &text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

std::wstring registry_text(HKEY key, const wchar_t *name) {
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return value;
}

/// The latency timer in ms that @p key (a device's Device Parameters) holds, -1 when none.
std::int32_t registry_latency(HKEY key) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (::RegQueryValueExW(key, kLatencyValue, nullptr, &type, reinterpret_cast<BYTE *>(&value),
                           &size) != ERROR_SUCCESS ||
        type != REG_DWORD || value < 1 || value > 255) {
        return -1;
    }
    return static_cast<std::int32_t>(value);
}

/// A text as the user is to read it: a driver's INF may give it as an indirect string,
/// "@oem12.inf,%ftdi%;FTDI", whose text is what follows the last ';'.
std::wstring shown(const std::wstring &text) {
    if (text.rfind(L"@", 0) != 0) {
        return text;
    }
    const std::size_t last = text.rfind(L';');
    return last == std::wstring::npos ? text : text.substr(last + 1);
}

std::wstring device_property(HDEVINFO set, SP_DEVINFO_DATA &info, DWORD property) {
    wchar_t value[512] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &info, property, &type,
                                             reinterpret_cast<BYTE *>(value),
                                             sizeof value - sizeof(wchar_t), nullptr)) {
        return {};
    }
    return shown(value);  // of a REG_MULTI_SZ, its first string
}

/// The hexadecimal number after @p tag ("VID_") in a hardware id, -1 when absent.
std::int32_t id_after(const std::wstring &hardware_id, const wchar_t *tag) {
    const std::size_t at = hardware_id.find(tag);
    if (at == std::wstring::npos) {
        return -1;
    }
    return static_cast<std::int32_t>(std::wcstoul(hardware_id.c_str() + at + 4, nullptr, 16));
}

bool begins_with(const std::wstring &text, const wchar_t *start) {
    return ::_wcsnicmp(text.c_str(), start, std::wcslen(start)) == 0;
}

/// The serial number a USB instance id carries, "" when it carries none. USB ids end in it
/// (USB\VID_2341&PID_0043\75833353035351A0C1B1), unless Windows made that part up, and then it
/// holds "&" (USB\VID_1A86&PID_7523\5&2A5C1B8&0&2). FTDI's driver puts it in the middle with the
/// letter of the chip's channel after it, and ends the id in the port's instance number
/// (FTDIBUS\VID_0403+PID_6001+A1B2C3D4A\0000 is the adapter A1B2C3D4).
std::wstring serial_of(const std::wstring &instance) {
    const std::size_t first = instance.find(L'\\');
    const std::size_t last = instance.rfind(L'\\');
    if (first == std::wstring::npos) {
        return {};
    }
    std::wstring part = instance.substr(last + 1);
    if (begins_with(instance, L"FTDIBUS\\")) {
        const std::wstring middle = instance.substr(first + 1, last - first - 1);
        const std::size_t plus = middle.rfind(L'+');
        part = plus == std::wstring::npos ? std::wstring() : middle.substr(plus + 1);
        if (part.size() < 2 || begins_with(part, L"PID_")) {
            return {};
        }
        part.pop_back();
    }
    return part.find(L'&') == std::wstring::npos ? part : std::wstring();
}

bool listed(const std::vector<ListedDevice> &devices, const std::string &name) {
    return std::any_of(devices.begin(), devices.end(), [&](const ListedDevice &d) {
        return _stricmp(d.device.c_str(), name.c_str()) == 0;
    });
}

/// Calls @p each(set, info, port, key) for every COM port that SetupAPI shows through @p guid,
/// with the port's Device Parameters key open for reading, until it returns true.
template <typename Each>
bool each_port(const GUID &guid, DWORD flags, Each &&each) {
    const HDEVINFO set = ::SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool done = false;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD index = 0; !done && ::SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        const HKEY key =
            ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::string port = utf8(registry_text(key, L"PortName"));
        // The Ports class also holds printer ports (LPT1).
        if (port.rfind("COM", 0) == 0) {
            done = each(set, info, port, key);
        }
        ::RegCloseKey(key);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return done;
}

/// each_port over the COM-port interface, then over the Ports class.
template <typename Each>
bool each_setupapi_port(Each &&each) {
    return each_port(kComPortInterface, DIGCF_DEVICEINTERFACE, each) ||
           each_port(kPortsClass, 0, each);
}

ListedDevice setupapi_device(HDEVINFO set, SP_DEVINFO_DATA &info, const std::string &port,
                             HKEY key) {
    ListedDevice device;
    device.device = port;
    device.description = utf8(device_property(set, info, SPDRP_FRIENDLYNAME));
    const std::wstring hardware_id = device_property(set, info, SPDRP_HARDWAREID);
    if (begins_with(hardware_id, L"USB\\") || begins_with(hardware_id, L"FTDIBUS\\")) {
        device.kind = SIO_KIND_USB;
        device.vendor_id = id_after(hardware_id, L"VID_");
        device.product_id = id_after(hardware_id, L"PID_");
        device.manufacturer = utf8(device_property(set, info, SPDRP_MFG));
        device.product = utf8(device_property(set, info, SPDRP_DEVICEDESC));
        device.latency_ms = registry_latency(key);
        wchar_t instance[512] = {};
        if (::SetupDiGetDeviceInstanceIdW(set, &info, instance, 511, nullptr)) {
            device.serial_number = utf8(serial_of(instance));
        }
    } else if (hardware_id.find(L"PNP0501") != std::wstring::npos) {
        device.kind = SIO_KIND_UART;
    }
    if (device.description.empty()) {
        device.description = port;
    }
    return device;
}

/// Ports the serial drivers registered, by their kernel name ("\Device\Serial0" = "COM1").
bool add_serialcomm_ports(std::vector<ListedDevice> &devices, std::string &why) {
    HKEY key = nullptr;
    const LONG opened =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key);
    if (opened == ERROR_FILE_NOT_FOUND) {
        return true;  // no serial driver has registered a port
    }
    if (opened != ERROR_SUCCESS) {
        why = "não foi possível ler HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM: " +
              system_reason(static_cast<unsigned long>(opened));
        return false;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        wchar_t value[256] = {};
        DWORD name_size = 255;
        DWORD value_size = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        if (::RegEnumValueW(key, index, name, &name_size, nullptr, &type,
                            reinterpret_cast<BYTE *>(value), &value_size) != ERROR_SUCCESS) {
            break;
        }
        const std::string port = utf8(value);
        if (type != REG_SZ || port.empty() || listed(devices, port)) {
            continue;
        }
        ListedDevice device;
        device.device = port;
        device.description = "dispositivo serial (" + utf8(name) + ")";
        const std::wstring kernel_name = name;
        if (kernel_name.rfind(L"\\Device\\Serial", 0) == 0) {
            device.kind = SIO_KIND_UART;
        } else if (kernel_name.find(L"USB") != std::wstring::npos ||
                   kernel_name.find(L"VCP") != std::wstring::npos) {
            device.kind = SIO_KIND_USB;
        }
        devices.push_back(std::move(device));
    }
    ::RegCloseKey(key);
    return true;
}

/// False when this process runs without administrator rights in force: a standard user, or an
/// administrator whose program was not started "as administrator". True when it has them, or
/// when the system cannot tell (then the key's own protection decides).
bool has_admin_rights() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return true;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool told =
        ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != 0;
    ::CloseHandle(token);
    return !told || elevation.TokenIsElevated != 0;
}

constexpr const char *kNeedsAdmin =
    "é preciso executar como administrador para mudar a latência; nada foi mudado";

}  // namespace

bool system_devices(std::vector<ListedDevice> &devices, std::string &why) {
    each_setupapi_port([&](HDEVINFO set, SP_DEVINFO_DATA &info, const std::string &port, HKEY key) {
        if (!listed(devices, port)) {
            devices.push_back(setupapi_device(set, info, port, key));
        }
        return false;
    });
    // What SetupAPI showed stands even when SERIALCOMM cannot be read.
    return add_serialcomm_ports(devices, why) || !devices.empty();
}

std::int32_t set_system_latency(const ListedDevice &device, std::int32_t ms, std::string &why) {
    if (!has_admin_rights()) {
        why = kNeedsAdmin;
        return SIO_NO_PERMISSION;
    }
    std::int32_t result = SIO_NO_DEVICE;
    why = "o dispositivo não está mais ligado";
    each_setupapi_port([&](HDEVINFO set, SP_DEVINFO_DATA &info, const std::string &port, HKEY) {
        if (!same_device(port, device.device)) {
            return false;
        }
        const HKEY key = ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                                KEY_QUERY_VALUE | KEY_SET_VALUE);
        if (key == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            result = error == ERROR_ACCESS_DENIED ? SIO_NO_PERMISSION : SIO_CANNOT_SAVE;
            why = error == ERROR_ACCESS_DENIED
                      ? std::string(kNeedsAdmin)
                      : "não foi possível abrir a chave do dispositivo: " + system_reason(error);
            return true;
        }
        const DWORD value = static_cast<DWORD>(ms);
        const LONG written = ::RegSetValueExW(key, kLatencyValue, 0, REG_DWORD,
                                              reinterpret_cast<const BYTE *>(&value), sizeof value);
        ::RegCloseKey(key);
        if (written == ERROR_ACCESS_DENIED) {
            result = SIO_NO_PERMISSION;
            why = kNeedsAdmin;
        } else if (written != ERROR_SUCCESS) {
            result = SIO_CANNOT_SAVE;
            why = "não foi possível gravar a latência: " +
                  system_reason(static_cast<unsigned long>(written));
        } else {
            result = SIO_OK;
        }
        return true;
    });
    return result;
}

}  // namespace zarvo::serial
