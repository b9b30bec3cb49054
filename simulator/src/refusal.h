// SPDX-License-Identifier: MIT
// The simulated printer's refusal codes, one per reason, shown by the program as "ERRO " + code.
#pragma once

#include <string_view>

namespace zarvo::sim {

/// Codes 98 and 99 are the link library's own (write failure, timeout) and never used here.
enum class Refusal : int {
    unknown_command = 1,    ///< No such command.
    bad_checksum = 2,       ///< The frame's checksum does not match its command.
    bad_parameter = 3,      ///< A known command with a parameter it does not take (".36X").
    already_summer = 10,    ///< ".36S" while already in summer time.
    not_summer = 11,        ///< ".36N" while not in summer time.
    out_of_paper = 20,      ///< A command that prints, while out of paper.
    malformed_range = 30,   ///< A reading range that is not digits of the right shape or dates.
    empty_range = 31,       ///< A reading range whose first item comes after its last.
    nothing_in_range = 32,  ///< A reading range that holds no reduction of the fiscal memory.
    no_reading = 33,        ///< ".++" with no reading over the line in progress.
};

/// The code that the end-of-reading reply carries at positions 21-22: the reading is complete.
inline constexpr int kReadingCompleteCode = 0;

/// A short description for the log.
std::string_view describe(Refusal refusal);

}  // namespace zarvo::sim
