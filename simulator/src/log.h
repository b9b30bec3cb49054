// SPDX-License-Identifier: MIT
// The --log file: one line per event, with the bytes concerned as hex and as readable text.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zarvo::sim {

/// One log line, without its line end:
/// "TIMESTAMP TAG DETAIL" and, when there are bytes, " | N bytes | HEX | TEXT".
/// HEX is exact; TEXT is for the eye (see readable()).
std::string log_line(std::string_view timestamp, std::string_view tag, std::string_view detail,
                     std::optional<std::string_view> bytes = std::nullopt);

/// The local time now as "yyyy-mm-dd hh:mm:ss.mmm".
std::string timestamp_now();

class Log {
  public:
    /// Opens @p path for appending; on failure returns nullptr and sets @p error, naming the file.
    static std::unique_ptr<Log> open(const std::string &path, std::string &error);

    ~Log();
    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    /// Writes one line and flushes it, so that a crash or a kill loses nothing already logged.
    /// The first failure to write is reported on standard error; the simulator goes on.
    void write(std::string_view tag, std::string_view detail,
               std::optional<std::string_view> bytes = std::nullopt);

  private:
    Log(std::FILE *file, std::string path) : file_(file), path_(std::move(path)) {}
    std::FILE *file_;
    std::string path_;
    bool failed_ = false;  ///< A write failed and was reported; later failures stay quiet.
};

}  // namespace zarvo::sim
