// SPDX-License-Identifier: MIT
// The simulated printer's fiscal memory and the readings over it.
#include "printer_memory.h"

#include <algorithm>
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

int to_int(std::string_view digits) {
    int value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string join(const std::vector<std::string> &records, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) {
        if (i > from) {
            out += " | ";
        }
        out += records[i];
    }
    return out;
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

int full_year(int yy) {
    return yy >= 30 ? 1900 + yy : 2000 + yy;
}

std::optional<year_month_day> parse_ddmmyy(std::string_view text) {
    if (text.size() != 6 || !all_digits(text)) {
        return std::nullopt;
    }
    const auto two = [&](std::size_t at) {
        return static_cast<unsigned>((text[at] - '0') * 10 + (text[at + 1] - '0'));
    };
    const year_month_day date{year{full_year(static_cast<int>(two(4)))}, month{two(2)},
                              day{two(0)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return date;
}

std::string reduction_record(const Reduction &r) {
    return "Redu\xe7\xe3o " + zero_padded(static_cast<std::uint64_t>(r.number), 4) + " " +
           short_date(r.date) + " COO:" + zero_padded(r.coo, 6) + " CCF:" + zero_padded(r.ccf, 6) +
           " Bruto:" + money(r.gross) + " Canc.:" + money(r.cancelled) +
           " Desc.:" + money(r.discounts) + " L\xedquido:" + money(r.net) +
           " GT:" + money(r.grand_total);
}

std::variant<ReadingRange, Refusal> parse_reading(std::string_view command) {
    ReadingRange range;
    if (command.starts_with(".15")) {
        range.kind = ReadingRange::Kind::by_reduction;
    } else if (command.starts_with(".16")) {
        range.kind = ReadingRange::Kind::by_date;
    } else {
        return Refusal::malformed_range;
    }
    std::string_view params = command.substr(3);
    if (params.ends_with('#')) {
        range.over_line = true;
        params.remove_suffix(1);
    }
    if (!all_digits(params)) {
        return Refusal::malformed_range;
    }

    if (range.kind == ReadingRange::Kind::by_reduction) {
        const std::size_t first_len = params.size() / 2;
        const std::size_t last_len = params.size() - first_len;
        if (first_len < 4 || last_len > kMaxReductionDigits) {
            return Refusal::malformed_range;
        }
        range.first_text = std::string(params.substr(0, first_len));
        range.last_text = std::string(params.substr(first_len));
        range.first = to_int(range.first_text);
        range.last = to_int(range.last_text);
        if (range.first > range.last) {
            return Refusal::empty_range;
        }
        return range;
    }

    if (params.size() != 12) {
        return Refusal::malformed_range;
    }
    const auto start = parse_ddmmyy(params.substr(0, 6));
    const auto end = parse_ddmmyy(params.substr(6, 6));
    if (!start || !end) {
        return Refusal::malformed_range;
    }
    range.start = *start;
    range.end = *end;
    range.first_text = short_date(*start);
    range.last_text = short_date(*end);
    if (sys_days{*start} > sys_days{*end}) {
        return Refusal::empty_range;
    }
    return range;
}

std::vector<Reduction> select_reductions(const FiscalMemory &memory, const ReadingRange &range) {
    std::vector<Reduction> selected;
    for (const Reduction &r : memory.reductions()) {
        const bool inside = range.kind == ReadingRange::Kind::by_reduction
                                ? r.number >= range.first && r.number <= range.last
                                : sys_days{r.date} >= sys_days{range.start} &&
                                      sys_days{r.date} <= sys_days{range.end};
        if (inside) {
            selected.push_back(r);
        }
    }
    return selected;
}

std::vector<std::string> reading_records(const FiscalMemory &memory, const ReadingRange &range,
                                         const std::vector<Reduction> &selected) {
    std::vector<std::string> records;
    records.reserve(selected.size() + 2);
    const bool by_reduction = range.kind == ReadingRange::Kind::by_reduction;
    records.push_back("LEITURA DA MEM\xd3RIA FISCAL " + memory.serial() +
                      (by_reduction ? std::string(" REDU\xc7\xd5"
                                                  "ES ")
                                    : std::string(" DATAS ")) +
                      range.first_text + " A " + range.last_text);

    std::int64_t gross = 0;
    std::int64_t cancelled = 0;
    std::int64_t discounts = 0;
    std::int64_t net = 0;
    for (const Reduction &r : selected) {
        records.push_back(reduction_record(r));
        gross += r.gross;
        cancelled += r.cancelled;
        discounts += r.discounts;
        net += r.net;
    }
    records.push_back("TOTAL " + zero_padded(selected.size(), 4) +
                      " redu\xe7\xf5"
                      "es Bruto:" +
                      money(gross) + " Canc.:" + money(cancelled) + " Desc.:" + money(discounts) +
                      " L\xedquido:" + money(net));
    return records;
}

std::vector<std::string> deal_into_blocks(const std::vector<std::string> &records,
                                          std::optional<int> blocks) {
    if (!blocks) {
        return records;
    }
    std::vector<std::string> out;
    const auto n = static_cast<std::size_t>(std::max(*blocks, 0));
    const std::size_t r = records.size();
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(join(records, i * r / n, (i + 1) * r / n));
    }
    return out;
}

}  // namespace zarvo::sim
