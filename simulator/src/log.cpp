// SPDX-License-Identifier: MIT
// The --log file: one line per event, with the bytes concerned as hex and as readable text.
#include "log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <utility>

#include "text.h"

namespace zarvo::sim {

std::string log_line(std::string_view timestamp, std::string_view tag, std::string_view detail,
                     std::optional<std::string_view> bytes) {
    std::string line;
    line += timestamp;
    line += ' ';
    line += tag;
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    if (bytes) {
        line += " | " + std::to_string(bytes->size()) + " bytes | " + hex_bytes(*bytes) + " | " +
                readable(*bytes);
    }
    return line;
}

std::string timestamp_now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(millis));
    return text;
}

std::unique_ptr<Log> Log::open(const std::string &path, std::string &error) {
    std::FILE *file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        error = "cannot open the log file " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<Log>(new Log(file, path));
}

Log::~Log() {
    std::fclose(file_);
}

void Log::write(std::string_view tag, std::string_view detail,
                std::optional<std::string_view> bytes) {
    const std::string line = log_line(timestamp_now(), tag, detail, bytes) + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size();
    if ((!written || std::fflush(file_) != 0) && !failed_) {
        failed_ = true;
        std::fprintf(stderr, "zarvo-printer-sim: cannot write the log file %s: %s\n", path_.c_str(),
                     std::strerror(errno));
    }
}

}  // namespace zarvo::sim
