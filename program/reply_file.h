// SPDX-License-Identifier: MIT
// The reply file RespApf.txt that the link library writes in the current directory.
#pragma once

#include <QString>

namespace ReplyFile {

/// The file's name; it has no directory part.
inline constexpr char kName[] = "RespApf.txt";

/// The first line of the file, read as Latin-1: up to the first CR, a lone LF staying in the line.
/// Throws HandlerError when the file cannot be opened or read, or holds no line at all.
QString readFirstLine();

/// What keeps the library from writing the file, as the file and its directory show it now (a
/// link or a directory in its place, a read-only file or directory); empty when nothing shows.
QString obstacle();

/// Throws HandlerError telling why the library could not write the file: what shows now, else
/// @p before, what obstacle() gave before the call (the library removes a link or a read-only
/// file that it could not write, so that no old reply stays), else a full disk when it is full.
[[noreturn]] void reportNotWritten(const QString &before = QString());

}  // namespace ReplyFile
