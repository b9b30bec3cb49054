// SPDX-License-Identifier: MIT
// The simulated printer's state and its answer to each command: command text in, reply out.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "printer_memory.h"

namespace zarvo::sim {

/// How the printer starts.
struct PrinterSettings {
    bool summer = false;
    char reduction = 'N';
    bool first_x = false;
    std::optional<std::uint32_t> coo;  ///< Default: the fiscal memory's next document number.
    std::optional<std::uint32_t> ccf;  ///< Default: the fiscal memory's coupon count.
    bool paper = true;
    std::chrono::milliseconds print_time{2000};
    std::optional<int> blocks;  ///< Blocks per reading over the line; default one per record.
};

/// The printer's answer to one command.
struct ModelReply {
    std::string text;
    std::chrono::milliseconds delay{0};  ///< Time spent printing before the reply goes out.
    int block = 0;                       ///< The reading block this reply carries, 0 if none.
    bool ends_reading = false;           ///< The end-of-reading reply.
    std::optional<Refusal> refusal;      ///< Set when the command was refused.
};

class PrinterModel {
  public:
    /// Local wall time, as seconds counted as if it were UTC.
    using LocalClock = std::function<std::chrono::sys_seconds()>;

    PrinterModel(const PrinterSettings &settings, FiscalMemory memory, LocalClock clock);

    /// Carries out @p command and returns the reply. Any command but ".++" ends a reading in
    /// progress.
    ModelReply handle(std::string_view command);

    /// The reply to a refusal that the printer makes before looking at the command.
    static ModelReply refuse(Refusal reason);

    /// The printer's clock as ddmmyyhhmm: the local clock, one hour ahead for every entry into
    /// summer time since the start and one behind for every exit.
    std::string clock_text() const;

    bool summer() const { return summer_; }
    bool first_x() const { return first_x_; }
    std::uint32_t coo() const { return coo_; }
    bool reading_in_progress() const { return !blocks_.empty(); }
    const FiscalMemory &memory() const { return memory_; }

    /// The blocks that the reading command @p command returns over the line, or its refusal.
    /// Does not change the printer's state.
    std::variant<std::vector<std::string>, Refusal> reading_blocks(std::string_view command) const;

  private:
    ModelReply status() const;
    ModelReply summer_time(std::string_view command);
    ModelReply print();
    ModelReply reading(std::string_view command);
    ModelReply next_block();
    /// The end-of-reading reply for the blocks dealt; no reading is in progress after it.
    ModelReply end_of_reading();

    PrinterSettings settings_;
    FiscalMemory memory_;
    LocalClock clock_;
    std::chrono::hours clock_offset_{0};
    bool summer_;
    bool first_x_;
    bool paper_;
    std::uint32_t coo_;
    std::uint32_t ccf_;
    std::vector<std::string> blocks_;
    std::size_t next_block_ = 0;
};

}  // namespace zarvo::sim
