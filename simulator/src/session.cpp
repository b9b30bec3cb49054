// SPDX-License-Identifier: MIT
// Runs the printer on the line: reads frames, answers them one at a time, paces the replies.
#include "session.h"

#include <iostream>

#include "replies.h"
#include "text.h"

namespace zarvo::sim {

namespace {
constexpr long kLineSpeed = 9600;
constexpr std::size_t kMaxPending = 64;

std::string quoted(std::string_view command) {
    return "\"" + readable(command) + "\"";
}

std::string_view drop_reason(LineEvent::Kind kind) {
    switch (kind) {
        case LineEvent::Kind::dropped_pause:
            return "unfinished frame dropped after a pause";
        case LineEvent::Kind::dropped_restart:
            return "unfinished frame dropped at a new start byte";
        case LineEvent::Kind::dropped_overflow:
            return "overlong frame dropped";
        default:
            return "";
    }
}
}  // namespace

Session::Session(asio::io_context &io, Line &line, PrinterModel &model, const FaultLayer &faults,
                 Log *log, Settings settings, std::function<void(int)> finished)
    : line_(line),
      model_(model),
      faults_(faults),
      log_(log),
      settings_(settings),
      finished_(std::move(finished)),
      pause_timer_(io),
      print_timer_(io),
      pace_timer_(io),
      pacer_(settings.fast ? 0 : kLineSpeed),
      drain_timer_(io) {}

void Session::note(std::string_view tag, std::string_view detail,
                   std::optional<std::string_view> bytes) {
    if (log_ != nullptr) {
        log_->write(tag, detail, bytes);
    }
}

void Session::start() {
    read();
}

void Session::stop() {
    stopped_ = true;
    pause_timer_.cancel();
    print_timer_.cancel();
    pace_timer_.cancel();
    drain_timer_.cancel();
}

void Session::finish(int status) {
    if (stopped_) {
        return;
    }
    stop();
    if (finished_) {
        finished_(status);
    }
}

void Session::fail(const std::string &what, const asio::error_code &ec) {
    const std::string message = what + " " + line_.path() + " failed: " + ec.message();
    std::cerr << "zarvo-printer-sim: " << message << '\n';
    note("ERROR", message);
    finish(1);
}

void Session::read() {
    line_.async_read_some(asio::buffer(input_), [this](const asio::error_code &ec, std::size_t n) {
        if (stopped_ || ec == asio::error::operation_aborted) {
            return;
        }
        if (ec) {
            fail("reading from", ec);
            return;
        }
        take(parser_.feed(std::string_view(input_.data(), n), FrameParser::Clock::now()));
        arm_pause_timer();
        read();
    });
}

void Session::arm_pause_timer() {
    if (!parser_.in_frame()) {
        return;
    }
    pause_timer_.expires_at(parser_.deadline());
    pause_timer_.async_wait([this](const asio::error_code &ec) {
        if (stopped_ || ec == asio::error::operation_aborted) {
            return;
        }
        take(parser_.expire(FrameParser::Clock::now()));
        arm_pause_timer();
    });
}

void Session::take(std::vector<LineEvent> events) {
    for (LineEvent &event : events) {
        switch (event.kind) {
            case LineEvent::Kind::frame:
                // A printer's input buffer is small: while it prints, a flood of frames must not
                // grow without bound.
                if (frames_.size() >= kMaxPending) {
                    note("DROP",
                         "frame dropped: " + std::to_string(kMaxPending) +
                             " commands already wait for their turn",
                         event.bytes);
                    break;
                }
                frames_.push_back(std::move(event));
                break;
            case LineEvent::Kind::noise:
                note("NOISE", "bytes outside a frame, ignored", event.bytes);
                break;
            default:
                note("DROP", drop_reason(event.kind), event.bytes);
                break;
        }
    }
    answer_next();
}

void Session::answer_next() {
    if (busy_ || stopped_ || frames_.empty()) {
        return;
    }
    const LineEvent frame = std::move(frames_.front());
    frames_.pop_front();
    ++commands_;
    note("RX",
         "command " + std::to_string(commands_) + " " + quoted(frame.command) +
             (frame.checksum_ok ? " checksum ok" : " BAD CHECKSUM"),
         frame.bytes);

    if (faults_.silent_for(commands_)) {
        note("SILENT", "no reply to " + quoted(frame.command) + " (fault)");
        command_done();
        return;
    }

    ModelReply reply;
    if (!frame.checksum_ok) {
        reply = PrinterModel::refuse(Refusal::bad_checksum);
    } else if (const auto code = faults_.forced_refusal(frame.command)) {
        reply.text = refusal_reply(*code);
        note("FAULT", "refusing " + quoted(frame.command) + " with code " +
                          zero_padded(static_cast<unsigned>(*code), 2));
    } else {
        reply = model_.handle(frame.command);
    }
    if (reply.refusal) {
        note("REFUSE", quoted(frame.command) + ": " + std::string(describe(*reply.refusal)) +
                           " (code " + zero_padded(static_cast<unsigned>(*reply.refusal), 2) + ")");
    }

    std::string bytes = faults_.shape(frame.command, reply.text);
    out_label_ = "reply to command " + std::to_string(commands_) +
                 (reply.block > 0 ? ", block " + std::to_string(reply.block) : std::string()) +
                 (reply.ends_reading ? ", end of reading" : "");
    const bool close = faults_.close_after(reply);
    busy_ = true;
    auto go = [this, bytes = std::move(bytes), close]() mutable {
        send(std::move(bytes), [this, close] {
            if (close) {
                drain_then([this] {
                    note("CLOSE", "line closed after the reading block (--close-after-block)");
                    line_.close();
                    finish(0);
                });
                return;
            }
            busy_ = false;
            command_done();
        });
    };
    if (reply.delay.count() > 0) {
        note("PRINT", "printing for " + std::to_string(reply.delay.count()) + " ms");
        print_timer_.expires_after(reply.delay);
        print_timer_.async_wait([this, go = std::move(go)](const asio::error_code &ec) mutable {
            if (stopped_ || ec == asio::error::operation_aborted) {
                return;
            }
            go();
        });
    } else {
        go();
    }
}

void Session::command_done() {
    if (settings_.exit_after && commands_ >= *settings_.exit_after) {
        drain_then([this] {
            note("END", "after " + std::to_string(commands_) + " commands (--exit-after)");
            finish(0);
        });
        return;
    }
    answer_next();
}

void Session::drain_then(std::function<void()> then) {
    // The client gets up to this long to read the last reply before the line goes.
    constexpr auto kDrainLimit = std::chrono::seconds{5};
    constexpr auto kDrainCheck = std::chrono::milliseconds{20};
    if (drain_limit_ == Pacer::Clock::time_point{}) {
        drain_limit_ = Pacer::Clock::now() + kDrainLimit;
    }
    drain_timer_.expires_after(kDrainCheck);
    drain_timer_.async_wait([this, then = std::move(then)](const asio::error_code &ec) mutable {
        if (stopped_ || ec == asio::error::operation_aborted) {
            return;
        }
        if (line_.unread() > 0 && Pacer::Clock::now() < drain_limit_) {
            drain_then(std::move(then));
            return;
        }
        then();
    });
}

void Session::send(std::string bytes, std::function<void()> done) {
    out_ = std::move(bytes);
    sent_ = 0;
    sent_all_ = std::move(done);
    pacer_.start(Pacer::Clock::now(), out_.size());
    pace();
}

void Session::pace() {
    if (stopped_) {
        return;
    }
    if (sent_ == out_.size()) {
        note("TX", out_label_, out_);
        auto done = std::move(sent_all_);
        done();
        return;
    }
    const std::size_t due = pacer_.due(Pacer::Clock::now());
    if (due > sent_) {
        line_.async_write_some(asio::buffer(out_.data() + sent_, due - sent_),
                               [this](const asio::error_code &ec, std::size_t n) {
                                   if (stopped_ || ec == asio::error::operation_aborted) {
                                       return;
                                   }
                                   if (ec) {
                                       fail("writing to", ec);
                                       return;
                                   }
                                   sent_ += n;
                                   pace();
                               });
        return;
    }
    pace_timer_.expires_at(pacer_.deadline(sent_));
    pace_timer_.async_wait([this](const asio::error_code &ec) {
        if (stopped_ || ec == asio::error::operation_aborted) {
            return;
        }
        pace();
    });
}

}  // namespace zarvo::sim
