// SPDX-License-Identifier: MIT
// What the printer answers: its refusal codes, and the layouts of its replies. Positions in
// comments count from 1.
#pragma once

#include <cstdint>
#include <string>
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

/// Every refusal code with its description, in the order of the codes: read by the log and by
/// --help.
struct RefusalText {
    Refusal refusal;
    std::string_view text;
};
inline constexpr RefusalText kRefusalTexts[] = {
    {Refusal::unknown_command, "unknown command"},
    {Refusal::bad_checksum, "bad checksum"},
    {Refusal::bad_parameter, "bad parameter"},
    {Refusal::already_summer, "already in summer time"},
    {Refusal::not_summer, "not in summer time"},
    {Refusal::out_of_paper, "out of paper"},
    {Refusal::malformed_range, "malformed range"},
    {Refusal::empty_range, "empty range (first after last)"},
    {Refusal::nothing_in_range, "no reduction in range"},
    {Refusal::no_reading, "no reading in progress (.++)"},
};

/// The description of @p refusal, from kRefusalTexts.
std::string_view describe(Refusal refusal);

/// Plain acceptance: ".+0000}".
std::string accepted_reply();

/// A refusal, 23 characters: ".-0001ERRO:" + 9 blanks + the two-digit code + "}".
std::string refusal_reply(int code);

/// Everything that the status reply shows.
struct StatusFields {
    std::string serial;    ///< 10 characters.
    char reduction = 'N';  ///< "S" done, "N" not done, "F" mandatory.
    int reductions = 0;    ///< Reductions in the fiscal memory.
    std::uint32_t coo = 0;
    std::uint32_t ccf = 0;
    std::string clock;  ///< ddmmyyhhmm.
    bool summer = false;
    bool paper = true;
    bool first_x = false;
};

/// The reply to ".28", 125 characters: "." "+" "0000", serial at 7-16, "1" at 17, reduction state
/// at 18, reductions at 19-22, COO at 23-28, CCF at 29-34, firmware "V01.00.02" at 35-43, clock
/// ddmmyyhhmm at 44-53, summer time "S"/"N" at 54, paper "0"/"5" at 55, tax number at 56-69,
/// owner's name at 70-123, first X reading "S"/"N" at 124, "}" at 125.
std::string status_reply(const StatusFields &fields);

/// The reply to ".56" + register: ".+", the register's two digits at 3-4, the value as six
/// digits at 5-10, "}".
std::string register_reply(std::string_view register_digits, std::uint32_t value);

/// The reply to ".23": ".+000", then "0" with paper or "5" without at 6, then "}".
std::string paper_reply(bool paper);

/// One block of a reading: ".+", the block number as four digits at 3-6, the data from 7, "}".
std::string block_reply(int number, std::string_view data);

/// The end of a reading: ".]", the number of blocks sent as four digits at 3-6, "FIM:" and ten
/// blanks at 7-20, "00" at 21-22, "}": 23 characters.
std::string end_reply(int blocks_sent);

}  // namespace zarvo::sim
