// SPDX-License-Identifier: MIT
// Module1: the printer link library bound by name at run time, one function at its first call.
#pragma once

#include <QString>

#include <QByteArray>

#include <cstdint>
#include <set>
#include <vector>

namespace Module1 {

/// Opens the port. The port is narrowed to 16 bits (HandlerError on overflow); the low 16 bits of
/// the library's result come back as a signed number.
std::int16_t Abre(std::int32_t port);

/// Closes the port; same conversions as Abre.
std::int16_t Fecha(std::int32_t port);

/// Sends the command (as eightBit gives it) and waits for the reply, which the library writes to
/// RespApf.txt. Port and timeout are narrowed to 16 bits.
std::int16_t TXRX(std::int32_t port, std::int32_t timeout_s, const QString &command);

/// The library file that the first call of each function loads. Default "libZarvo.so", found
/// through the ordinary search and the executable's RUNPATH. Setting it forgets every binding,
/// so tests can point the window at a double of the library.
void setLibraryFile(const QString &file);
QString libraryFile();

/// Ports that Abre opened (result 0 or above) and Fecha has not closed since the last call;
/// the window closes them when a handler stops on an error.
std::set<std::int16_t> takeOpenPorts();

/// A port that Abre could not open: its number and the serial layer's result (SIO_BUSY, ...).
struct OpenFailure {
    std::int16_t port;
    std::int16_t result;
};

/// The ports that Abre could not open since the last call, in the order tried.
std::vector<OpenFailure> takeOpenFailures();

/// The device behind port @p port, named as the serial layer finds it: the environment variable
/// API232_PORT<n> when set and not empty, else /dev/ttyS<n-1>.
QString deviceOf(std::int32_t port);

/// @p text as the 8-bit bytes that go on the line: a character of Latin-1 is its byte, any other
/// character (a surrogate pair counting as one) becomes "?".
QByteArray eightBit(const QString &text);

}  // namespace Module1
