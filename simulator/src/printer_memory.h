// SPDX-License-Identifier: MIT
// The simulated printer's fiscal memory: reductions generated from a seed, and the readings over
// them: the range a ".15"/".16" command asks for, its records, and the blocks they are sent in.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "replies.h"

namespace zarvo::sim {

/// One daily reduction as the fiscal memory keeps it. Amounts are in cents.
struct Reduction {
    int number = 0;
    std::chrono::year_month_day date;
    std::uint32_t coo = 0;  ///< Number of the reduction's own document.
    std::uint32_t ccf = 0;  ///< Fiscal coupons counted up to and with this day.
    std::int64_t gross = 0;
    std::int64_t cancelled = 0;
    std::int64_t discounts = 0;
    std::int64_t net = 0;
    std::int64_t grand_total = 0;  ///< Gross sales of every day up to and with this one.
};

class FiscalMemory {
  public:
    /// The same seed and count give the same memory on every machine: a std::mt19937_64 seeded
    /// with @p seed draws every value. Reductions are numbered from 1, one per day from a start in
    /// 2008, skipping Sundays.
    static FiscalMemory generate(std::uint64_t seed, int count);

    const std::vector<Reduction> &reductions() const { return reductions_; }
    /// The printer's serial number: "ZV" and eight digits.
    const std::string &serial() const { return serial_; }
    /// The number the next document will get: one past the last reduction's.
    std::uint32_t next_coo() const { return next_coo_; }
    /// Fiscal coupons counted up to the last reduction.
    std::uint32_t ccf() const { return ccf_; }

  private:
    std::vector<Reduction> reductions_;
    std::string serial_;
    std::uint32_t next_coo_ = 1;
    std::uint32_t ccf_ = 0;
};

/// A reduction as one line of a reading, Latin-1, without "}", CR, LF or 0.
std::string reduction_record(const Reduction &r);

/// A date as dd/mm/yy.
std::string short_date(std::chrono::year_month_day date);

/// The year a two-digit year names: 30 to 99 are 1930 to 1999, 00 to 29 are 2000 to 2029, the
/// span the operator window reads the same six digits in.
int full_year(int yy);

/// Six digits ddmmyy (the year as full_year reads it) as a date; nothing unless they are digits
/// of a real day.
std::optional<std::chrono::year_month_day> parse_ddmmyy(std::string_view text);

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
/// odd count the first number takes the shorter half (".15000112345" is 0001 to 12345). Dates are
/// read by parse_ddmmyy. Refuses with malformed_range, or empty_range when the first item comes
/// after the last; a command that starts otherwise is a malformed range too.
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
