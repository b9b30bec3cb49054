// SPDX-License-Identifier: MIT
#include "work_folder.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

namespace zarvo::window::win32 {

namespace {

std::wstring systemReason(DWORD error) {
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring reason = length != 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r')) {
        reason.pop_back();
    }
    return reason.empty() ? L"erro " + std::to_wstring(error) : reason;
}

std::wstring failure(const std::wstring &folder, DWORD error) {
    return L"Não foi possível usar a pasta de trabalho " + folder + L".\nMotivo: " +
           systemReason(error);
}

}  // namespace

bool inDocumentsAsked() {
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    bool asked = false;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        asked = asked || std::wstring(arguments[i]) == L"--in-documents";
    }
    LocalFree(arguments);
    return asked;
}

std::wstring enterDocumentsFolder() {
    wchar_t documents[MAX_PATH] = {};
    const HRESULT found = SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr,
                                           SHGFP_TYPE_CURRENT, documents);
    if (FAILED(found)) {
        return failure(L"Documentos\\Zarvo", static_cast<DWORD>(HRESULT_CODE(found)));
    }
    const std::wstring folder = std::wstring(documents) + L"\\Zarvo";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return failure(folder, GetLastError());
    }
    if (!SetCurrentDirectoryW(folder.c_str())) {
        return failure(folder, GetLastError());
    }
    return {};
}

}  // namespace zarvo::window::win32
