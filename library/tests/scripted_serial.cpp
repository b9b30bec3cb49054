// SPDX-License-Identifier: MIT
// The scripted serial layer and its sio_* entry points.
#include "scripted_serial.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "API232.h"

namespace zarvo::testing {

ScriptedSerial &ScriptedSerial::get() {
    static ScriptedSerial serial;
    return serial;
}

ScriptedSerial &ScriptedSerial::reset() {
    return get() = ScriptedSerial{};
}

void ScriptedSerial::arrive(std::string_view bytes, nanoseconds at) {
    for (const char byte : bytes) {
        line.push_back({at, byte});
    }
}

int ScriptedSerial::count(std::string_view call) const {
    return static_cast<int>(std::count_if(
        log.begin(), log.end(), [&](const std::string &entry) { return entry.starts_with(call); }));
}

std::chrono::steady_clock::time_point ScriptedSerial::now() const {
    return std::chrono::steady_clock::time_point{
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(clock)};
}

void ScriptedSerial::sleep(milliseconds duration) const {
    sleeps.push_back(duration);
    clock += std::max(duration, milliseconds{0});
}

}  // namespace zarvo::testing

namespace {

using zarvo::testing::ScriptedSerial;

ScriptedSerial &called(const char *name, std::initializer_list<std::int32_t> args) {
    ScriptedSerial &serial = ScriptedSerial::get();
    if (serial.throw_from == name) {
        serial.throw_from.clear();
        throw std::bad_alloc();
    }
    if (serial.keep_log) {
        std::string entry = name;
        for (const std::int32_t value : args) {
            entry += ' ' + std::to_string(value);
        }
        serial.log.push_back(std::move(entry));
    }
    return serial;
}

bool fails_on(std::uint8_t pattern, unsigned call) {
    return (pattern >> (call % 8)) & 1;
}

void count_call(ScriptedSerial &serial, unsigned &calls) {
    if (++calls > serial.most_calls && serial.most_calls != 0) {
        std::fprintf(stderr, "the reply wait spins: more than %u reads or waits\n",
                     serial.most_calls);
        std::abort();
    }
}

}  // namespace

extern "C" {

int32_t sio_open(int32_t port) {
    return called("open", {port}).open_result;
}

int32_t sio_ioctl(int32_t port, int32_t speed, int32_t format) {
    return called("ioctl", {port, speed, format}).ioctl_result;
}

int32_t sio_close(int32_t port) {
    return called("close", {port}).close_result;
}

int32_t sio_write(int32_t port, const char *buf, int32_t len) {
    ScriptedSerial &serial = called("write", {port, len});
    serial.frames.emplace_back(buf, static_cast<std::size_t>(std::max(len, 0)));
    return serial.write_result.value_or(len);
}

int32_t sio_getch(int32_t port) {
    ScriptedSerial &serial = called("getch", {port});
    count_call(serial, serial.getch_calls);
    serial.clock += ScriptedSerial::kReadCost;
    if (fails_on(serial.getch_failures, serial.getch_calls)) {
        ++serial.failures;
        return SIO_IO_ERROR;
    }
    if (serial.taken == serial.line.size() || serial.line[serial.taken].at > serial.clock) {
        return serial.gone_at && *serial.gone_at <= serial.clock ? SIO_GONE : 0;
    }
    return static_cast<unsigned char>(serial.line[serial.taken++].byte);  // a 0 reads as nothing
}

// Like the real layer, says how many bytes wait to be read.
int32_t sio_wait(int32_t port, int32_t ms) {
    ScriptedSerial &serial = called("wait", {port, ms});
    count_call(serial, serial.wait_calls);
    if (serial.wait_result) {
        return *serial.wait_result;
    }
    if (fails_on(serial.wait_failures, serial.wait_calls)) {
        ++serial.failures;
        return SIO_IO_ERROR;
    }
    const auto deadline = serial.clock + std::chrono::milliseconds{std::max(ms, 0)};
    if (serial.taken < serial.line.size() && serial.line[serial.taken].at <= deadline) {
        serial.clock = std::max(serial.clock, serial.line[serial.taken].at);
        return static_cast<std::int32_t>(std::count_if(
            serial.line.begin() + static_cast<std::ptrdiff_t>(serial.taken), serial.line.end(),
            [&](const auto &byte) { return byte.at <= serial.clock; }));
    }
    if (serial.gone_at && *serial.gone_at <= deadline) {
        serial.clock = std::max(serial.clock, *serial.gone_at);
        return SIO_GONE;
    }
    serial.clock = deadline;
    return 0;
}

}  // extern "C"
