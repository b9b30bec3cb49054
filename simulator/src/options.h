// SPDX-License-Identifier: MIT
// The simulator's command line: parsing into settings, and the --help text.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "faults.h"
#include "printer_model.h"

namespace zarvo::sim {

struct Options {
    std::optional<std::string> device;  ///< Serve this serial port instead of a pseudo-terminal.
    std::optional<std::string> link;    ///< Symbolic link to make to the pseudo-terminal.
    bool fast = false;
    std::optional<long> exit_after;
    std::optional<std::string> log;
    std::optional<std::chrono::sys_seconds> clock;  ///< Fixed local time, if given.
    std::uint64_t seed = 1;
    int reductions = 40;
    PrinterSettings printer;
    FaultSettings faults;
    std::optional<std::string> dump_reading;
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<Options> options;  ///< Empty when the command line is wrong.
    std::string error;               ///< Why, naming the option.
};

/// Parses the arguments after the program name. "--opt VALUE" and "--opt=VALUE" both work.
ParsedOptions parse_options(const std::vector<std::string> &args);

/// Parses ddmmyyhhmm (years 2000 + yy) into local time counted as if UTC.
std::optional<std::chrono::sys_seconds> parse_clock(std::string_view text);

/// Turns \xNN, \r, \n, \0 and \\ in @p text into the bytes they stand for.
std::optional<std::string> unescape(std::string_view text);

std::string help_text(std::string_view program);

}  // namespace zarvo::sim
