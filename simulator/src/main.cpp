// SPDX-License-Identifier: MIT
// zarvo-printer-sim: a fake fiscal printer on a pseudo-terminal or a serial port.
#include <sys/stat.h>
#include <unistd.h>

#include <asio.hpp>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

#include "line.h"
#include "log.h"
#include "options.h"
#include "printer_memory.h"
#include "printer_model.h"
#include "replies.h"
#include "session.h"
#include "text.h"

using namespace zarvo::sim;

namespace {

constexpr const char *kProgram = "zarvo-printer-sim";

int complain(const std::string &message, int status) {
    std::cerr << kProgram << ": " << message << '\n';
    return status;
}

std::chrono::sys_seconds local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::sys_seconds{std::chrono::seconds{now + local.tm_gmtoff}};
}

/// Prints the lines that the program saves for a reading; the reply data of each block.
int dump_reading(const PrinterModel &model, const std::string &command) {
    const auto blocks = model.reading_blocks(command);
    if (const auto *refusal = std::get_if<Refusal>(&blocks)) {
        return complain("the reading \"" + command + "\" is refused with code " +
                            zero_padded(static_cast<unsigned>(*refusal), 2) + " (" +
                            std::string(describe(*refusal)) + ")",
                        1);
    }
    std::string out;
    const auto &data = std::get<std::vector<std::string>>(blocks);
    for (const std::string &block : data) {
        out += block + "\r\n";
    }
    if (data.empty()) {
        // The reply to the reading command is then the end reply, whose data the program saves.
        const std::string end = end_reply(0);
        out += end.substr(6, end.size() - 7) + "\r\n";
    }
    std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
    std::cout.flush();
    return std::cout ? 0 : complain("cannot write to standard output", 1);
}

/// Makes @p link a symbolic link to @p target; an old symbolic link there is replaced.
bool make_link(const std::string &link, const std::string &target, std::string &error) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = "cannot make the link " + link + ": a file that is not a link is already there";
            return false;
        }
        if (::unlink(link.c_str()) != 0) {
            error = "cannot replace the old link " + link + ": " + std::strerror(errno);
            return false;
        }
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot make the link " + link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

/// Removes @p link if it still points at @p target (another simulator may have taken it over).
void remove_link(const std::string &link, const std::string &target) {
    char points_to[4096];
    const ssize_t n = ::readlink(link.c_str(), points_to, sizeof points_to - 1);
    if (n >= 0 && std::string(points_to, static_cast<std::size_t>(n)) == target) {
        if (::unlink(link.c_str()) != 0) {
            complain("cannot remove the link " + link + ": " + std::strerror(errno), 1);
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    const ParsedOptions parsed =
        parse_options(kProgram, std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        return complain(parsed.error, 2);
    }
    if (!parsed.options) {
        std::cout << parsed.text;
        return std::cout ? 0 : complain("cannot write to standard output", 1);
    }
    const Options &options = *parsed.options;

    PrinterModel::LocalClock clock = local_now;
    if (options.clock) {
        clock = [fixed = *options.clock] { return fixed; };
    }
    PrinterModel model(options.printer, FiscalMemory::generate(options.seed, options.reductions),
                       clock);
    if (options.dump_reading) {
        return dump_reading(model, *options.dump_reading);
    }

    std::string error;
    std::unique_ptr<Log> log;
    if (options.log) {
        log = Log::open(*options.log, error);
        if (!log) {
            return complain(error, 1);
        }
    }

    asio::io_context io;
    std::unique_ptr<Line> line =
        options.device ? Line::open_device(io, *options.device, error) : Line::open_pty(io, error);
    if (!line) {
        return complain(error, 1);
    }
    if (options.link && !make_link(*options.link, line->path(), error)) {
        return complain(error, 1);
    }
    // The first line on standard output is the device path; callers wait for it, so the link
    // is there by then too.
    std::cout << line->path() << std::endl;

    std::signal(SIGPIPE, SIG_IGN);
    int status = 0;
    const FaultLayer faults(options.faults);
    Session session(io, *line, model, faults, log.get(), {options.fast, options.exit_after},
                    [&](int s) {
                        status = s;
                        io.stop();
                    });
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code &ec, int signal) {
        if (ec) {
            return;
        }
        if (log) {
            log->write("END", std::string("signal ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
        }
        session.stop();
        io.stop();
    });
    if (log) {
        log->write("START", "on " + line->path() + (options.fast ? ", fast" : ", 9600 bit/s") +
                                ", seed " + std::to_string(options.seed) + ", " +
                                std::to_string(options.reductions) + " reductions");
    }
    session.start();
    io.run();

    line->close();
    if (options.link) {
        remove_link(*options.link, line->path());
    }
    return status;
}
