// SPDX-License-Identifier: MIT
// Module1: the printer link library bound by name at run time, one function at its first call.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "view.h"

namespace zarvo::window {

/// The link library's calls the window makes (Abre, Fecha, TXRX, and ZarvoReplyFileFailure after a
/// TXRX that could not write the reply file), each bound at its own first call and kept bound until
/// the program ends; every call runs through View::runBlocking. Ports and timeouts are narrowed to
/// 16 bits (HandlerError on overflow), and the low 16 bits of each result come back as a signed
/// number. A library or function that cannot be had throws HandlerError.
class Module1 {
  public:
    explicit Module1(View &view) : view_(view) {}

    std::int16_t Abre(std::int32_t port);
    std::int16_t Fecha(std::int32_t port);
    /// Sends the command as latin1Bytes (text.h) gives it, as a counted text.
    std::int16_t TXRX(std::int32_t port, std::int32_t timeout_s, const Text &command);

    /// The library's finding on the reply file of the latest TXRX (ZarvoReplyFileFailure), the
    /// system's error number in @p error; ZARVO_REPLY_FILE_WRITTEN from a library without that
    /// function. Asked after a TXRX, of the library that TXRX was bound in.
    std::int32_t replyFileFailure(std::int32_t &error);

    /// The library file that the first call of each function loads: "libZarvo.so.1" (through the
    /// ordinary search and the executable's RUNPATH), "Zarvo.dll" on Windows. Setting it forgets
    /// every binding, so that tests can point the window at a double of the library.
    static void setLibraryFile(const std::string &file);
    static std::string libraryFile();

    /// Ports that Abre opened and Fecha has not closed since the last call.
    std::set<std::int16_t> takeOpenPorts();

    /// A port that Abre could not open: its number and the result (ZARVO_PORT_BUSY, ...).
    struct OpenFailure {
        std::int16_t port;
        std::int16_t result;
    };
    /// The ports that Abre could not open since the last call, in the order tried.
    std::vector<OpenFailure> takeOpenFailures();

  private:
    View &view_;
    std::set<std::int16_t> openPorts_;
    std::vector<OpenFailure> openFailures_;
};

}  // namespace zarvo::window
