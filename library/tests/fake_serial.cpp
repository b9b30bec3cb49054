// SPDX-License-Identifier: MIT
// The scripted serial layer and its sio_* entry points, linked into the unit tests in place of
// API232.
#include "fake_serial.h"

#include <algorithm>
#include <new>

#include "API232.h"

namespace fake {

FakeSerial &FakeSerial::instance() {
    static FakeSerial serial;
    return serial;
}

void FakeSerial::reset() {
    instance() = FakeSerial{};
}

void FakeSerial::arrive(std::string_view bytes, nanoseconds at) {
    for (const char byte : bytes) {
        arrive_value(static_cast<unsigned char>(byte), at);
    }
}

void FakeSerial::arrive_value(std::int32_t value, nanoseconds at) {
    input_.push_back({at, value});
}

std::vector<std::string> FakeSerial::call_names() const {
    std::vector<std::string> names;
    for (const Call &call : calls) {
        names.push_back(call.name);
    }
    return names;
}

int FakeSerial::count(std::string_view name) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const Call &call) { return call.name == name; }));
}

void FakeSerial::maybe_throw(std::string_view name) {
    if (throw_from == name) {
        throw_from.clear();
        throw std::bad_alloc();
    }
}

std::chrono::steady_clock::time_point FakeSerial::now() const {
    return std::chrono::steady_clock::time_point{
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(clock)};
}

void FakeSerial::sleep(milliseconds duration) const {
    sleeps.push_back(duration);
    clock += duration;
}

std::int32_t FakeSerial::on_open(std::int32_t port) {
    maybe_throw("open");
    calls.push_back({"open", port});
    return open_result;
}

std::int32_t FakeSerial::on_ioctl(std::int32_t port, std::int32_t speed, std::int32_t format) {
    maybe_throw("ioctl");
    calls.push_back({"ioctl", port, speed, format});
    return ioctl_result;
}

std::int32_t FakeSerial::on_write(std::int32_t port, const char *buf, std::int32_t len) {
    maybe_throw("write");
    calls.push_back({"write", port, len});
    frames.emplace_back(buf, static_cast<std::size_t>(len));
    return write_result.value_or(len);
}

std::int32_t FakeSerial::on_getch(std::int32_t port) {
    maybe_throw("getch");
    calls.push_back({"getch", port});
    clock += microseconds{1};
    if (input_.empty() || input_.front().at > clock) {
        return empty_read_result;
    }
    const std::int32_t value = input_.front().value;
    input_.pop_front();
    return value;
}

std::int32_t FakeSerial::on_close(std::int32_t port) {
    maybe_throw("close");
    calls.push_back({"close", port});
    return close_result;
}

std::int32_t FakeSerial::on_wait(std::int32_t port, std::int32_t ms) {
    maybe_throw("wait");
    calls.push_back({"wait", port, ms});
    if (wait_result) {
        return *wait_result;
    }
    const nanoseconds deadline = clock + milliseconds{ms};
    if (!input_.empty() && input_.front().at <= deadline) {
        clock = std::max(clock, input_.front().at);
        return 1;
    }
    clock = deadline;
    return 0;
}

}  // namespace fake

extern "C" {

int32_t sio_open(int32_t port) {
    return fake::FakeSerial::instance().on_open(port);
}
int32_t sio_ioctl(int32_t port, int32_t speed, int32_t format) {
    return fake::FakeSerial::instance().on_ioctl(port, speed, format);
}
int32_t sio_write(int32_t port, const char *buf, int32_t len) {
    return fake::FakeSerial::instance().on_write(port, buf, len);
}
int32_t sio_getch(int32_t port) {
    return fake::FakeSerial::instance().on_getch(port);
}
int32_t sio_close(int32_t port) {
    return fake::FakeSerial::instance().on_close(port);
}
int32_t sio_wait(int32_t port, int32_t ms) {
    return fake::FakeSerial::instance().on_wait(port, ms);
}

}  // extern "C"
