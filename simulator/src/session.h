// SPDX-License-Identifier: MIT
// Runs the printer on the line: reads frames, answers them one at a time, paces the replies.
#pragma once

#include <array>
#include <asio.hpp>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "faults.h"
#include "frames.h"
#include "line.h"
#include "log.h"
#include "pacing.h"
#include "printer_model.h"

namespace zarvo::sim {

class Session {
  public:
    struct Settings {
        bool fast = false;
        std::optional<long> exit_after;
    };

    /// @p log may be null. @p finished runs once, with the exit status, when the session ends
    /// by itself (--exit-after, --close-after-block, a failure of the line).
    Session(asio::io_context &io, Line &line, PrinterModel &model, const FaultLayer &faults,
            Log *log, Settings settings, std::function<void(int)> finished);

    void start();

    /// Ends the session: no more reads or replies; the line stays as it is.
    void stop();

  private:
    void read();
    void take(std::vector<LineEvent> events);
    void arm_pause_timer();
    void answer_next();
    void send(std::string bytes, std::function<void()> done);
    void pace();
    void command_done();
    void fail(const std::string &what, const asio::error_code &ec);
    void finish(int status);
    void drain_then(std::function<void()> then);
    void note(std::string_view tag, std::string_view detail,
              std::optional<std::string_view> bytes = std::nullopt);

    Line &line_;
    PrinterModel &model_;
    const FaultLayer &faults_;
    Log *log_;
    Settings settings_;
    std::function<void(int)> finished_;

    FrameParser parser_;
    std::array<char, 512> input_{};
    asio::steady_timer pause_timer_;
    std::deque<LineEvent> frames_;
    long commands_ = 0;
    bool busy_ = false;
    bool stopped_ = false;

    asio::steady_timer print_timer_;
    asio::steady_timer pace_timer_;
    Pacer pacer_;
    std::string out_;
    std::string out_label_;
    std::size_t sent_ = 0;
    std::function<void()> sent_all_;
    asio::steady_timer drain_timer_;
    Pacer::Clock::time_point drain_limit_{};
};

}  // namespace zarvo::sim
