// SPDX-License-Identifier: MIT
// The scripted serial layer and its sio_* entry points, linked into the unit tests in place of
// API232.
#include "fake_serial.h"

#include <algorithm>
#include <new>

#include "API232.h"

namespace fake {

Serial &Serial::get() {
    static Serial serial;
    return serial;
}

Serial &Serial::reset() {
    return get() = Serial{};
}

void Serial::arrive(std::string_view bytes, nanoseconds at) {
    for (const char byte : bytes) {
        input.emplace_back(at, static_cast<unsigned char>(byte));
    }
}

int Serial::count(std::string_view call) const {
    return static_cast<int>(std::count_if(
        log.begin(), log.end(), [&](const std::string &entry) { return entry.starts_with(call); }));
}

std::chrono::steady_clock::time_point Serial::now() const {
    return std::chrono::steady_clock::time_point{
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(clock)};
}

void Serial::sleep(milliseconds duration) const {
    sleeps.push_back(duration);
    clock += duration;
}

}  // namespace fake

namespace {

fake::Serial &called(std::string entry) {
    fake::Serial &serial = fake::Serial::get();
    if (!serial.throw_from.empty() && entry.starts_with(serial.throw_from)) {
        serial.throw_from.clear();
        throw std::bad_alloc();
    }
    serial.log.push_back(std::move(entry));
    return serial;
}

std::string args(std::initializer_list<std::int32_t> values) {
    std::string text;
    for (const std::int32_t value : values) {
        text += ' ' + std::to_string(value);
    }
    return text;
}

}  // namespace

extern "C" {

int32_t sio_open(int32_t port) {
    return called("open" + args({port})).open_result;
}

int32_t sio_ioctl(int32_t port, int32_t speed, int32_t format) {
    return called("ioctl" + args({port, speed, format})).ioctl_result;
}

int32_t sio_close(int32_t port) {
    return called("close" + args({port})).close_result;
}

int32_t sio_write(int32_t port, const char *buf, int32_t len) {
    fake::Serial &serial = called("write" + args({port, len}));
    serial.frames.emplace_back(buf, static_cast<std::size_t>(len));
    return serial.write_result.value_or(len);
}

int32_t sio_getch(int32_t port) {
    fake::Serial &serial = called("getch" + args({port}));
    serial.clock += std::chrono::microseconds{1};
    if (serial.input.empty() || serial.input.front().first > serial.clock) {
        return 0;
    }
    const int32_t value = serial.input.front().second;
    serial.input.pop_front();
    return value;
}

int32_t sio_wait(int32_t port, int32_t ms) {
    fake::Serial &serial = called("wait" + args({port, ms}));
    if (serial.wait_result) {
        return *serial.wait_result;
    }
    const auto deadline = serial.clock + std::chrono::milliseconds{ms};
    if (!serial.input.empty() && serial.input.front().first <= deadline) {
        serial.clock = std::max(serial.clock, serial.input.front().first);
        return 1;
    }
    serial.clock = deadline;
    return 0;
}

}  // extern "C"
