// SPDX-License-Identifier: MIT
#include "work_folder.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>

#include "os.h"

namespace zarvo::window::win32 {

namespace {

std::wstring failure(const std::wstring &folder, DWORD error) {
    const Text reason = os::systemErrorReason(static_cast<std::int32_t>(error));
    return L"Não foi possível usar a pasta de trabalho " + folder + L".\nMotivo: " +
           std::wstring(reason.begin(), reason.end());
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
