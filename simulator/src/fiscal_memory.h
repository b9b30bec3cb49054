// SPDX-License-Identifier: MIT
// The printer's fiscal memory: reductions generated from a seed, and the records a reading shows.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

/// Six digits ddmmyy (years 2000 + yy) as a date; nothing unless they are digits of a real day.
std::optional<std::chrono::year_month_day> parse_ddmmyy(std::string_view text);

}  // namespace zarvo::sim
