// SPDX-License-Identifier: MIT
// The serial devices present on Windows: SetupAPI's COM-port interface and Ports class, with their
// friendly names and USB ids; then the SERIALCOMM key, for ports that SetupAPI does not show
// (Wine's mapped ports, some virtual port drivers). Nothing is opened.
#include <windows.h>
// setupapi.h needs windows.h first.
#include <setupapi.h>

#include <algorithm>
#include <cwchar>

#include "device_list.h"

namespace zarvo::serial {
namespace {

// GUID_DEVINTERFACE_COMPORT and GUID_DEVCLASS_PORTS, spelled out so that no initguid is needed.
const GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

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

std::wstring device_property(HDEVINFO set, SP_DEVINFO_DATA &info, DWORD property) {
    wchar_t value[512] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &info, property, &type,
                                             reinterpret_cast<BYTE *>(value),
                                             sizeof value - sizeof(wchar_t), nullptr)) {
        return {};
    }
    return value;  // of a REG_MULTI_SZ, its first string
}

/// The hexadecimal number after @p tag ("VID_") in a hardware id, -1 when absent.
std::int32_t id_after(const std::wstring &hardware_id, const wchar_t *tag) {
    const std::size_t at = hardware_id.find(tag);
    if (at == std::wstring::npos) {
        return -1;
    }
    return static_cast<std::int32_t>(std::wcstoul(hardware_id.c_str() + at + 4, nullptr, 16));
}

bool listed(const std::vector<ListedDevice> &devices, const std::string &name) {
    return std::any_of(devices.begin(), devices.end(), [&](const ListedDevice &d) {
        return _stricmp(d.device.c_str(), name.c_str()) == 0;
    });
}

void add_setupapi_ports(const GUID &guid, DWORD flags, std::vector<ListedDevice> &devices) {
    const HDEVINFO set = ::SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        const HKEY key =
            ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::string name = utf8(registry_text(key, L"PortName"));
        ::RegCloseKey(key);
        // The Ports class also holds printer ports (LPT1).
        if (name.rfind("COM", 0) != 0 || listed(devices, name)) {
            continue;
        }
        ListedDevice device;
        device.device = name;
        device.description = utf8(device_property(set, info, SPDRP_FRIENDLYNAME));
        const std::wstring hardware_id = device_property(set, info, SPDRP_HARDWAREID);
        if (hardware_id.rfind(L"USB\\", 0) == 0 || hardware_id.rfind(L"FTDIBUS\\", 0) == 0) {
            device.kind = SIO_KIND_USB;
            device.vendor_id = id_after(hardware_id, L"VID_");
            device.product_id = id_after(hardware_id, L"PID_");
            device.manufacturer = utf8(device_property(set, info, SPDRP_MFG));
            device.product = utf8(device_property(set, info, SPDRP_DEVICEDESC));
            // A USB instance id ends in the device's serial number, unless Windows made one up
            // (then it holds "&").
            wchar_t instance[512] = {};
            if (::SetupDiGetDeviceInstanceIdW(set, &info, instance, 511, nullptr)) {
                const std::wstring id = instance;
                const std::wstring last = id.substr(id.rfind(L'\\') + 1);
                if (last.find(L'&') == std::wstring::npos) {
                    device.serial_number = utf8(last);
                }
            }
        } else if (hardware_id.find(L"PNP0501") != std::wstring::npos) {
            device.kind = SIO_KIND_UART;
        }
        if (device.description.empty()) {
            device.description = name;
        }
        devices.push_back(std::move(device));
    }
    ::SetupDiDestroyDeviceInfoList(set);
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
        why = "cannot read HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM (error " + std::to_string(opened) +
              ")";
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
        device.description = utf8(name);
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

}  // namespace

bool system_devices(std::vector<ListedDevice> &devices, std::string &why) {
    add_setupapi_ports(kComPortInterface, DIGCF_DEVICEINTERFACE, devices);
    add_setupapi_ports(kPortsClass, 0, devices);
    // What SetupAPI showed stands even when SERIALCOMM cannot be read.
    return add_serialcomm_ports(devices, why) || !devices.empty();
}

}  // namespace zarvo::serial
