// SPDX-License-Identifier: MIT
// Where the window works: RespApf.txt and LeitM.txt are written in the current directory. The
// Start-menu shortcut starts Zarvo.exe with --in-documents, and the program then works in the
// folder Zarvo of the user's documents, made if missing (a shortcut's own working folder does not
// survive the folder's removal).
#pragma once

#include <string>

namespace zarvo::window::win32 {

/// True when the program's command line holds the option --in-documents.
bool inDocumentsAsked();

/// Makes Documents\Zarvo if it is missing and makes it the current directory. Returns an empty
/// text on success, else the message for the user, naming the folder and the system's reason;
/// the current directory is then unchanged.
std::wstring enterDocumentsFolder();

}  // namespace zarvo::window::win32
