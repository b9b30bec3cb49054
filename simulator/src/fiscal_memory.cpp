// SPDX-License-Identifier: MIT
// The printer's fiscal memory: reductions generated from a seed, and the records a reading shows.
#include "fiscal_memory.h"

#include <random>

#include "text.h"

namespace zarvo::sim {

using namespace std::chrono;

namespace {
// Draws are taken straight from the engine (no std distributions), whose output the C++ standard
// fixes, so that a seed means the same memory with every compiler.
std::uint64_t draw(std::mt19937_64 &rng, std::uint64_t below) {
    return rng() % below;
}

sys_days skip_sunday(sys_days day) {
    return weekday{day} == Sunday ? day + days{1} : day;
}
}  // namespace

FiscalMemory FiscalMemory::generate(std::uint64_t seed, int count) {
    std::mt19937_64 rng(seed);
    FiscalMemory memory;
    memory.serial_ = "ZV" + zero_padded(draw(rng, 100000000), 8);

    sys_days day = skip_sunday(sys_days{2008y / January / 1} + days{draw(rng, 300)});
    std::uint32_t coo = 1 + static_cast<std::uint32_t>(draw(rng, 500));
    std::uint32_t ccf = static_cast<std::uint32_t>(draw(rng, 100));
    std::int64_t grand_total = 0;

    memory.reductions_.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (int number = 1; number <= count; ++number) {
        const auto documents = 20 + draw(rng, 281);
        const auto coupons = 10 + draw(rng, documents - 9);
        coo += static_cast<std::uint32_t>(documents);
        ccf += static_cast<std::uint32_t>(coupons);

        Reduction r;
        r.number = number;
        r.date = year_month_day{day};
        r.coo = coo;
        r.ccf = ccf;
        r.gross = 5000 + static_cast<std::int64_t>(draw(rng, 4995001));
        r.cancelled = r.gross * static_cast<std::int64_t>(draw(rng, 301)) / 10000;
        r.discounts = r.gross * static_cast<std::int64_t>(draw(rng, 201)) / 10000;
        r.net = r.gross - r.cancelled - r.discounts;
        grand_total += r.gross;
        r.grand_total = grand_total;
        memory.reductions_.push_back(r);

        day = skip_sunday(day + days{1});
    }
    memory.next_coo_ = coo + 1;
    memory.ccf_ = ccf;
    return memory;
}

std::string short_date(year_month_day date) {
    return zero_padded(static_cast<unsigned>(date.day()), 2) + "/" +
           zero_padded(static_cast<unsigned>(date.month()), 2) + "/" +
           zero_padded(static_cast<unsigned>(static_cast<int>(date.year()) % 100), 2);
}

std::optional<year_month_day> parse_ddmmyy(std::string_view text) {
    if (text.size() != 6 || !all_digits(text)) {
        return std::nullopt;
    }
    const auto two = [&](std::size_t at) {
        return static_cast<unsigned>((text[at] - '0') * 10 + (text[at + 1] - '0'));
    };
    const year_month_day date{year{2000 + static_cast<int>(two(4))}, month{two(2)}, day{two(0)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return date;
}

std::string reduction_record(const Reduction &r) {
    return latin1("Redução ") + zero_padded(static_cast<std::uint64_t>(r.number), 4) + " " +
           short_date(r.date) + " COO:" + zero_padded(r.coo, 6) + " CCF:" + zero_padded(r.ccf, 6) +
           " Bruto:" + money(r.gross) + " Canc.:" + money(r.cancelled) +
           " Desc.:" + money(r.discounts) + latin1(" Líquido:") + money(r.net) +
           " GT:" + money(r.grand_total);
}

}  // namespace zarvo::sim
