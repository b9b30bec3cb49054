// SPDX-License-Identifier: MIT
// The simulator's command line, and the value formats its options share with the printer.
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
};

struct ParsedOptions {
    std::optional<Options> options;  ///< Empty when the simulator is not to run.
    std::string error;               ///< A wrong command line: why, naming the option.
    std::string text;                ///< Else what --help or --version prints.
};

/// Parses the arguments after the program name. "--opt VALUE" and "--opt=VALUE" both work; an
/// option given twice takes its last value, a fault option repeats.
ParsedOptions parse_options(const std::string &program, const std::vector<std::string> &args);

/// Parses ddmmyyhhmm (the year as parse_ddmmyy reads it) into local time counted as if UTC.
std::optional<std::chrono::sys_seconds> parse_clock(std::string_view text);

/// Turns \xNN, \r, \n, \0 and \\ in @p text into the bytes they stand for.
std::optional<std::string> unescape(std::string_view text);

}  // namespace zarvo::sim
