// SPDX-License-Identifier: MIT
// Where the window works: RespApf.txt and LeitM.txt are written in the current directory, which
// a window started from a shell takes from that shell. One opened from the menu has none worth
// writing in, so the menu entry passes --in-documents and the window moves to DOCUMENTS/Zarvo.
#pragma once

#include <QString>

namespace zarvo::window::qt {

/// The folder "Zarvo" in the user's documents folder (XDG user-dirs, usually ~/Documents).
QString documentsFolder();

/// Makes documentsFolder() if it is missing and makes it the current directory. Returns an empty
/// text on success, else the message for the user, naming the folder and the system's reason;
/// the current directory is then unchanged.
QString enterDocumentsFolder();

}  // namespace zarvo::window::qt
