// SPDX-License-Identifier: MIT
// Writing RespApf.txt, the one-line record of the latest TXRX that the operator program reads
// back; one file per system (reply_file_writer_posix.cpp, reply_file_writer_win32.cpp).
#ifndef ZARVO_REPLY_FILE_WRITER_H
#define ZARVO_REPLY_FILE_WRITER_H

#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo {

inline constexpr char kReplyFileName[] = "RespApf.txt";

/// Why RespApf.txt was not written, as found when the write failed.
struct ReplyFileFailure {
    std::int32_t cause = 0;         ///< A zarvo_reply_file_failure value (Zarvo.h).
    std::int32_t system_error = 0;  ///< errno or GetLastError's value; 0 when no call failed.
    std::string message;            ///< The line told on stderr, without its "Zarvo: ".
};

/**
 * Replaces ./RespApf.txt with @p outcome followed by CR LF. The outcome is written unchanged, so a
 * reply holding CR or LF gives more than one line. A symbolic link in its place is not followed.
 * When the file cannot be created, written or closed, the cause is found first, then a message
 * naming the file and the reason goes to stderr and an earlier RespApf.txt (file or link, never a
 * link's target) is removed where possible, so nobody reads an old reply as the current one.
 * @param[out] failure receives the cause and the message of a failure.
 * @return true when the whole line was written and the file closed.
 */
bool write_reply_file(std::string_view outcome, ReplyFileFailure &failure) noexcept;

}  // namespace zarvo

#endif  // ZARVO_REPLY_FILE_WRITER_H
