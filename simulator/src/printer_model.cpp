// SPDX-License-Identifier: MIT
// The simulated printer's state and its answer to each command: command text in, reply out.
#include "printer_model.h"

#include "printer_memory.h"
#include "replies.h"
#include "text.h"

namespace zarvo::sim {

using namespace std::chrono;

namespace {
ModelReply plain(std::string text) {
    ModelReply reply;
    reply.text = std::move(text);
    return reply;
}
}  // namespace

PrinterModel::PrinterModel(const PrinterSettings &settings, FiscalMemory memory, LocalClock clock)
    : settings_(settings),
      memory_(std::move(memory)),
      clock_(std::move(clock)),
      summer_(settings.summer),
      first_x_(settings.first_x),
      paper_(settings.paper),
      coo_(settings.coo.value_or(memory_.next_coo())),
      ccf_(settings.ccf.value_or(memory_.ccf())) {}

ModelReply PrinterModel::refuse(Refusal reason) {
    ModelReply reply;
    reply.text = refusal_reply(static_cast<int>(reason));
    reply.refusal = reason;
    return reply;
}

std::string PrinterModel::clock_text() const {
    const sys_seconds now = clock_() + clock_offset_;
    const sys_days day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    return zero_padded(static_cast<unsigned>(date.day()), 2) +
           zero_padded(static_cast<unsigned>(date.month()), 2) +
           zero_padded(static_cast<unsigned>(static_cast<int>(date.year()) % 100), 2) +
           zero_padded(static_cast<std::uint64_t>(time.hours().count()), 2) +
           zero_padded(static_cast<std::uint64_t>(time.minutes().count()), 2);
}

ModelReply PrinterModel::handle(std::string_view command) {
    if (command == ".++") {
        return next_block();
    }
    // A new command abandons a reading over the line that was not fetched to its end.
    blocks_.clear();
    next_block_ = 0;

    if (command == ".28") {
        return status();
    }
    if (command == ".5609") {
        return plain(register_reply("09", coo_));
    }
    if (command == ".5618") {
        return plain(register_reply("18", ccf_));
    }
    if (command == ".23") {
        return plain(paper_reply(paper_));
    }
    if (command.starts_with(".36")) {
        return summer_time(command);
    }
    if (command == ".13") {
        ModelReply reply = print();
        if (!reply.refusal) {
            first_x_ = true;
        }
        return reply;
    }
    if (command.starts_with(".15") || command.starts_with(".16")) {
        return reading(command);
    }
    return refuse(Refusal::unknown_command);
}

ModelReply PrinterModel::status() const {
    StatusFields fields;
    fields.serial = memory_.serial();
    fields.reduction = settings_.reduction;
    fields.reductions = static_cast<int>(memory_.reductions().size());
    fields.coo = coo_;
    fields.ccf = ccf_;
    fields.clock = clock_text();
    fields.summer = summer_;
    fields.paper = paper_;
    fields.first_x = first_x_;
    return plain(status_reply(fields));
}

ModelReply PrinterModel::summer_time(std::string_view command) {
    if (command == ".36S") {
        if (summer_) {
            return refuse(Refusal::already_summer);
        }
        summer_ = true;
        clock_offset_ += hours{1};
        return plain(accepted_reply());
    }
    if (command == ".36N") {
        if (!summer_) {
            return refuse(Refusal::not_summer);
        }
        summer_ = false;
        clock_offset_ -= hours{1};
        return plain(accepted_reply());
    }
    return refuse(Refusal::bad_parameter);
}

ModelReply PrinterModel::print() {
    if (!paper_) {
        return refuse(Refusal::out_of_paper);
    }
    ++coo_;  // every printed document takes the next number
    ModelReply reply = plain(accepted_reply());
    reply.delay = settings_.print_time;
    return reply;
}

std::variant<std::vector<std::string>, Refusal> PrinterModel::reading_blocks(
    std::string_view command) const {
    const auto parsed = parse_reading(command);
    if (const auto *refusal = std::get_if<Refusal>(&parsed)) {
        return *refusal;
    }
    const auto &range = std::get<ReadingRange>(parsed);
    const auto selected = select_reductions(memory_, range);
    if (selected.empty()) {
        return Refusal::nothing_in_range;
    }
    return deal_into_blocks(reading_records(memory_, range, selected), settings_.blocks);
}

ModelReply PrinterModel::reading(std::string_view command) {
    auto blocks = reading_blocks(command);
    if (const auto *refusal = std::get_if<Refusal>(&blocks)) {
        return refuse(*refusal);
    }
    if (!command.ends_with('#')) {
        return print();
    }
    blocks_ = std::move(std::get<std::vector<std::string>>(blocks));
    // With no block at all, the reply to the command is the end of the reading.
    return blocks_.empty() ? end_of_reading() : next_block();
}

ModelReply PrinterModel::next_block() {
    if (blocks_.empty()) {
        return refuse(Refusal::no_reading);
    }
    if (next_block_ == blocks_.size()) {
        return end_of_reading();
    }
    const int number = static_cast<int>(next_block_) + 1;
    ModelReply reply = plain(block_reply(number, blocks_[next_block_]));
    reply.block = number;
    ++next_block_;
    return reply;
}

ModelReply PrinterModel::end_of_reading() {
    ModelReply reply = plain(end_reply(static_cast<int>(blocks_.size())));
    reply.ends_reading = true;
    blocks_.clear();
    next_block_ = 0;
    return reply;
}

}  // namespace zarvo::sim
