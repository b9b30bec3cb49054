// SPDX-License-Identifier: MIT
// Module1: the printer link library bound by name at run time, one function at its first call.
#pragma once

#include <QString>

#include <cstdint>
#include <set>

namespace Module1 {

/// Opens the port. The port is narrowed to 16 bits (HandlerError on overflow); the low 16 bits of
/// the library's result come back as a signed number.
std::int16_t Abre(std::int32_t port);

/// Closes the port; same conversions as Abre.
std::int16_t Fecha(std::int32_t port);

/// Sends the command (Latin-1; other characters become "?") and waits for the reply, which the
/// library writes to RespApf.txt. Port and timeout are narrowed to 16 bits.
std::int16_t TXRX(std::int32_t port, std::int32_t timeout_s, const QString &command);

/// The library file that the first call of each function loads. Default "libZarvo.so", found
/// through the ordinary search and the executable's RUNPATH. Setting it forgets every binding,
/// so tests can point the window at a double of the library.
void setLibraryFile(const QString &file);
QString libraryFile();

/// Ports that Abre opened (result 0 or above) and Fecha has not closed since the last call;
/// the window closes them when a handler stops on an error.
std::set<std::int16_t> takeOpenPorts();

}  // namespace Module1
