// SPDX-License-Identifier: MIT
// Fiscal memory readings: the range a ".15"/".16" command asks for, and the blocks it yields.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fiscal_memory.h"
#include "refusal.h"

namespace zarvo::sim {

struct ReadingRange {
    enum class Kind { by_reduction, by_date };
    Kind kind = Kind::by_reduction;
    bool over_line = false;  ///< A trailing "#": the reading comes back over the line.
    int first = 0;           ///< By reduction: first and last reduction numbers.
    int last = 0;
    std::chrono::year_month_day start;  ///< By date: first and last day.
    std::chrono::year_month_day end;
    std::string first_text;  ///< The two ends as the command gave them.
    std::string last_text;
};

/// Longest reduction number the range takes, in digits.
inline constexpr std::size_t kMaxReductionDigits = 9;

/// Parses ".15" + first + last [+ "#"] or ".16" + ddmmyy + ddmmyy [+ "#"].
/// By reduction the digits are split in half, each half at least 4 and at most 9 digits; with an
/// odd count the first number takes the shorter half (".15000112345" is 0001 to 12345). Years
/// yy are 2000 + yy. Refuses with malformed_range, or empty_range when the first item comes after
/// the last; a command that starts otherwise is a malformed range too.
std::variant<ReadingRange, Refusal> parse_reading(std::string_view command);

/// The reductions of @p memory inside @p range, in order.
std::vector<Reduction> select_reductions(const FiscalMemory &memory, const ReadingRange &range);

/// The records of a reading: a header line, one line per reduction in the range, a totals line.
std::vector<std::string> reading_records(const FiscalMemory &memory, const ReadingRange &range,
                                         const std::vector<Reduction> &selected);

/// Deals the records into blocks. Without @p blocks, one record per block. With n blocks, block i
/// (from 0) holds records floor(i*r/n) up to, not with, floor((i+1)*r/n) of the r records, joined
/// by " | "; when n exceeds r some blocks are empty. n = 0 gives no block at all.
std::vector<std::string> deal_into_blocks(const std::vector<std::string> &records,
                                          std::optional<int> blocks);

}  // namespace zarvo::sim
