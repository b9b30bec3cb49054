// SPDX-License-Identifier: MIT
// Fiscal memory readings: the range a ".15"/".16" command asks for, and the blocks it yields.
#include "reading.h"

#include <algorithm>

#include "text.h"

namespace zarvo::sim {

using namespace std::chrono;

namespace {

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
    records.push_back(latin1("LEITURA DA MEMÓRIA FISCAL ") + memory.serial() +
                      (by_reduction ? latin1(" REDUÇÕES ") : std::string(" DATAS ")) +
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
    records.push_back("TOTAL " + zero_padded(selected.size(), 4) + latin1(" reduções Bruto:") +
                      money(gross) + " Canc.:" + money(cancelled) + " Desc.:" + money(discounts) +
                      latin1(" Líquido:") + money(net));
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
